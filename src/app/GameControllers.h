// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game controllers, started once the sound module is loaded: their keys go to the
// focused window, and one pulled out during a level pauses it as a lost focus does.

#include "platform/ControllerKeys.h"

class GameForm;

// Starts them, once; nothing when the sound module cannot be loaded.
void StartGameControllers();
// What the game window (or none loaded) is doing, which the controllers' Start follows.
ControllerKeys::Play GamePlayOf(const GameForm* form);
