// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Qt key events as Windows virtual-key codes (arrows 37 to 40, letters 65 to 90, digits 48
// to 57) and the Shift argument of a key-down handler (1 Shift, 2 Ctrl, 4 Alt).

#include <QKeyEvent>

#include <cstdint>

namespace VirtualKeys {
// 0 for a key the game has no code for.
int16_t keyCode(const QKeyEvent& event);
int16_t shiftState(const QKeyEvent& event);
} // namespace VirtualKeys
