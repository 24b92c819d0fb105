// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SDL's virtual joystick, plugged in for as long as it lives: a game controller the tests
// press, push and pull out. SDL's controller support must be started (the sound module's
// openControllers) before one is made.

#include <SDL.h>

class VirtualPad {
public:
    // A standard controller: every button and axis SDL's controllers have.
    VirtualPad();
    VirtualPad(SDL_JoystickType type, int axes, int buttons, int hats, const char* name);
    ~VirtualPad();
    VirtualPad(const VirtualPad&) = delete;
    VirtualPad& operator=(const VirtualPad&) = delete;

    bool plugged() const { return joystick_ != nullptr; }
    void button(int button, bool down);
    void axis(int axis, Sint16 value);
    void hat(Uint8 value);
    void unplug();

private:
    SDL_Joystick* joystick_ = nullptr;
};
