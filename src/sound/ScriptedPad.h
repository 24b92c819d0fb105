// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A stand-in for a real game controller, for checking the game from outside: with
// CRAWLIX_SCRIPTED_PAD naming a FIFO, SDL's virtual controller is plugged in, pressed and
// pulled out by the lines written to it: "plug", "unplug", "press BUTTON", "release
// BUTTON" (SDL's names of the buttons: a, b, y, start, back, dpup, dpdown, dpleft, dpright).
// Without the variable there is none.

#include <SDL.h>

#include <string>

class ScriptedPad {
public:
    // Opens the FIFO named by the variable, if any.
    ScriptedPad();
    ~ScriptedPad();
    ScriptedPad(const ScriptedPad&) = delete;
    ScriptedPad& operator=(const ScriptedPad&) = delete;

    // Readable when lines wait; -1 without a FIFO.
    int descriptor() const { return fifo_; }
    // Carries out the lines written since the last call.
    void follow();

private:
    void obey(const std::string& line);
    void plug();
    void unplug();

    int fifo_ = -1;
    std::string pending_;
    SDL_Joystick* pad_ = nullptr;
};
