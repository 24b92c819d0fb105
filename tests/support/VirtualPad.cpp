// SPDX-License-Identifier: GPL-3.0-or-later
#include "VirtualPad.h"

VirtualPad::VirtualPad()
    : VirtualPad(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                 SDL_CONTROLLER_BUTTON_MAX, 0, "Virtual controller")
{
}

VirtualPad::VirtualPad(SDL_JoystickType type, int axes, int buttons, int hats, const char* name)
{
    SDL_VirtualJoystickDesc described = {};
    described.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    described.type = Uint16(type);
    described.naxes = Uint16(axes);
    described.nbuttons = Uint16(buttons);
    described.nhats = Uint16(hats);
    described.name = name;
    const int index = SDL_JoystickAttachVirtualEx(&described);
    if (index >= 0)
        joystick_ = SDL_JoystickOpen(index);
}

VirtualPad::~VirtualPad() { unplug(); }

void VirtualPad::button(int button, bool down)
{
    SDL_JoystickSetVirtualButton(joystick_, button, down ? 1 : 0);
}

void VirtualPad::axis(int axis, Sint16 value) { SDL_JoystickSetVirtualAxis(joystick_, axis, value); }

void VirtualPad::hat(Uint8 value) { SDL_JoystickSetVirtualHat(joystick_, 0, value); }

void VirtualPad::unplug()
{
    if (!joystick_)
        return;
    const SDL_JoystickID id = SDL_JoystickInstanceID(joystick_);
    SDL_JoystickClose(joystick_);
    joystick_ = nullptr;
    for (int index = 0; index < SDL_NumJoysticks(); ++index) {
        if (SDL_JoystickGetDeviceInstanceID(index) == id)
            SDL_JoystickDetachVirtual(index);
    }
}
