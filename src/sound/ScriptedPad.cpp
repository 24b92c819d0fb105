// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/ScriptedPad.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdlib>

namespace {
constexpr const char* FifoVariable = "CRAWLIX_SCRIPTED_PAD";
constexpr const char* PadName = "Scripted controller";
constexpr std::size_t ReadBytes = 256;
constexpr Uint8 Down = 1;
constexpr Uint8 Up = 0;
} // namespace

ScriptedPad::ScriptedPad()
{
    const char* path = std::getenv(FifoVariable);
    if (!path || !*path)
        return;
    // Opened for writing too, so the FIFO never reads as closed between two writers.
    fifo_ = open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

ScriptedPad::~ScriptedPad()
{
    unplug();
    if (fifo_ >= 0)
        close(fifo_);
}

void ScriptedPad::follow()
{
    if (fifo_ < 0)
        return;
    std::array<char, ReadBytes> bytes;
    ssize_t count = 0;
    while ((count = read(fifo_, bytes.data(), bytes.size())) > 0)
        pending_.append(bytes.data(), std::size_t(count));
    for (std::size_t end = pending_.find('\n'); end != std::string::npos; end = pending_.find('\n')) {
        const std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        obey(line);
        // Each line is seen on its own, so a press and its release may come together.
        SDL_JoystickUpdate();
    }
}

void ScriptedPad::obey(const std::string& line)
{
    if (line == "plug") {
        plug();
    } else if (line == "unplug") {
        unplug();
    } else if (pad_ && (line.rfind("press ", 0) == 0 || line.rfind("release ", 0) == 0)) {
        const bool press = line[0] == 'p';
        const std::string name = line.substr(line.find(' ') + 1);
        const SDL_GameControllerButton button = SDL_GameControllerGetButtonFromString(name.c_str());
        if (button != SDL_CONTROLLER_BUTTON_INVALID)
            SDL_JoystickSetVirtualButton(pad_, button, press ? Down : Up);
    }
}

// A standard controller: every button and axis SDL knows, in SDL's own order.
void ScriptedPad::plug()
{
    if (pad_)
        return;
    SDL_VirtualJoystickDesc described = {};
    described.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    described.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    described.naxes = SDL_CONTROLLER_AXIS_MAX;
    described.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    described.name = PadName;
    const int index = SDL_JoystickAttachVirtualEx(&described);
    if (index >= 0)
        pad_ = SDL_JoystickOpen(index);
}

void ScriptedPad::unplug()
{
    if (!pad_)
        return;
    const SDL_JoystickID id = SDL_JoystickInstanceID(pad_);
    SDL_JoystickClose(pad_);
    pad_ = nullptr;
    for (int index = 0; index < SDL_NumJoysticks(); ++index) {
        if (SDL_JoystickGetDeviceInstanceID(index) == id)
            SDL_JoystickDetachVirtual(index);
    }
}
