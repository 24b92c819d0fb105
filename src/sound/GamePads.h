// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game controllers, read through SDL: every one connected, whenever it was plugged in.
// A controller SDL knows speaks through its D-pad, left stick and buttons; a joystick it
// does not know through its first hat, first two axes and first two buttons. What they
// hold together becomes presses and releases of the game's own inputs.

#include "sound/DeviceWatch.h"
#include "sound/ScriptedPad.h"
#include "sound/SoundModule.h"

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

class GamePads {
public:
    // Starts SDL's controller support (once); the descriptor to watch, or -1.
    int open();
    // Takes in SDL's news and tells the listener; the number of usable controllers.
    int read(PadListener& listener);

private:
    struct Pad {
        SDL_JoystickID id = -1;
        SDL_GameController* controller = nullptr; // or else
        SDL_Joystick* joystick = nullptr;         // a joystick SDL has no layout for
        std::uint32_t buttons = 0; // the inputs held by buttons, the D-pad and the hat
        std::uint32_t stick = 0;   // the directions the stick is pushed into
        std::uint32_t held() const { return buttons | stick; }
    };

    void handle(const SDL_Event& event, PadListener& listener);
    void add(int deviceIndex, PadListener& listener);
    void remove(SDL_JoystickID id, PadListener& listener);
    Pad* find(SDL_JoystickID id);
    void tell(PadListener& listener);

    bool opened_ = false;
    std::unique_ptr<DeviceWatch> watch_;
    std::unique_ptr<ScriptedPad> scripted_;
    std::vector<Pad> pads_;
    std::uint32_t told_ = 0; // what the listener was last told is held
};
