// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/GamePads.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {
constexpr std::uint32_t bit(PadInput input) { return 1u << unsigned(input); }

struct ButtonInput {
    SDL_GameControllerButton button;
    PadInput input;
};
constexpr std::array<ButtonInput, PadInputCount> ControllerButtons = {{
    {SDL_CONTROLLER_BUTTON_DPAD_UP, PadInput::Up},
    {SDL_CONTROLLER_BUTTON_DPAD_DOWN, PadInput::Down},
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, PadInput::Left},
    {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, PadInput::Right},
    {SDL_CONTROLLER_BUTTON_A, PadInput::A},
    {SDL_CONTROLLER_BUTTON_B, PadInput::B},
    {SDL_CONTROLLER_BUTTON_START, PadInput::Start},
    {SDL_CONTROLLER_BUTTON_Y, PadInput::Y},
    {SDL_CONTROLLER_BUTTON_BACK, PadInput::Back},
}};
// A joystick SDL has no layout for: its first buttons are A and B.
constexpr std::array<PadInput, 2> JoystickButtons = {PadInput::A, PadInput::B};
constexpr int JoystickHat = 0;
constexpr int JoystickAxisX = 0;
constexpr int JoystickAxisY = 1;

constexpr std::uint32_t Directions =
    bit(PadInput::Up) | bit(PadInput::Down) | bit(PadInput::Left) | bit(PadInput::Right);

// A stick counts as pushed once past half way, and as let go once back within three
// eighths: a stick resting near the edge of its dead zone does not chatter.
constexpr int PushedFrom = 16384;
constexpr int LetGoWithin = 12288;

constexpr int EventBatch = 32;

// The directions one axis holds now: one at most, the negative or the positive one.
std::uint32_t axisDirections(std::uint32_t held, int value, PadInput negative, PadInput positive)
{
    const std::uint32_t axis = bit(negative) | bit(positive);
    std::uint32_t now = 0;
    if (value <= -PushedFrom)
        now = bit(negative);
    else if (value >= PushedFrom)
        now = bit(positive);
    else if (std::abs(value) >= LetGoWithin)
        now = held & (value < 0 ? bit(negative) : bit(positive));
    return (held & ~axis) | now;
}

std::uint32_t hatDirections(Uint8 hat)
{
    return ((hat & SDL_HAT_UP) ? bit(PadInput::Up) : 0u)
         | ((hat & SDL_HAT_DOWN) ? bit(PadInput::Down) : 0u)
         | ((hat & SDL_HAT_LEFT) ? bit(PadInput::Left) : 0u)
         | ((hat & SDL_HAT_RIGHT) ? bit(PadInput::Right) : 0u);
}

std::uint32_t setOrClear(std::uint32_t held, std::uint32_t input, bool down)
{
    return down ? held | input : held & ~input;
}
} // namespace

int GamePads::open()
{
    if (!opened_) {
        // A Ctrl+C or a TERM from the desktop must still end the game.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
            return -1;
        opened_ = true;
        watch_ = std::make_unique<DeviceWatch>();
        scripted_ = std::make_unique<ScriptedPad>();
        watch_->add(scripted_->descriptor());
    }
    return watch_->descriptor();
}

int GamePads::read(PadListener& listener)
{
    if (!opened_)
        return 0;
    watch_->drain();
    scripted_->follow();
    SDL_PumpEvents();
    std::array<SDL_Event, EventBatch> events;
    int count = 0;
    while ((count = SDL_PeepEvents(events.data(), EventBatch, SDL_GETEVENT, SDL_JOYAXISMOTION,
                                   SDL_FINGERDOWN - 1)) > 0) {
        for (int i = 0; i < count; ++i)
            handle(events[std::size_t(i)], listener);
    }
    // What else SDL announces (its audio devices) nobody here reads.
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    return int(pads_.size());
}

void GamePads::handle(const SDL_Event& event, PadListener& listener)
{
    switch (event.type) {
    case SDL_JOYDEVICEADDED:
        add(event.jdevice.which, listener);
        return;
    case SDL_JOYDEVICEREMOVED:
        remove(event.jdevice.which, listener);
        return;
    default:
        break;
    }
    Pad* pad = find(event.jdevice.which); // every joystick and controller event names it there
    if (!pad)
        return;
    const bool plain = pad->joystick != nullptr;
    if (!plain && (event.type == SDL_CONTROLLERBUTTONDOWN || event.type == SDL_CONTROLLERBUTTONUP)) {
        for (const ButtonInput& known : ControllerButtons) {
            if (known.button == event.cbutton.button)
                pad->buttons = setOrClear(pad->buttons, bit(known.input),
                                          event.type == SDL_CONTROLLERBUTTONDOWN);
        }
    } else if (!plain && event.type == SDL_CONTROLLERAXISMOTION) {
        if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX)
            pad->stick = axisDirections(pad->stick, event.caxis.value, PadInput::Left, PadInput::Right);
        else if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY)
            pad->stick = axisDirections(pad->stick, event.caxis.value, PadInput::Up, PadInput::Down);
    } else if (plain && event.type == SDL_JOYHATMOTION && event.jhat.hat == JoystickHat) {
        pad->buttons = (pad->buttons & ~Directions) | hatDirections(event.jhat.value);
    } else if (plain && event.type == SDL_JOYAXISMOTION) {
        if (event.jaxis.axis == JoystickAxisX)
            pad->stick = axisDirections(pad->stick, event.jaxis.value, PadInput::Left, PadInput::Right);
        else if (event.jaxis.axis == JoystickAxisY)
            pad->stick = axisDirections(pad->stick, event.jaxis.value, PadInput::Up, PadInput::Down);
    } else if (plain && (event.type == SDL_JOYBUTTONDOWN || event.type == SDL_JOYBUTTONUP)
               && event.jbutton.button < JoystickButtons.size()) {
        pad->buttons = setOrClear(pad->buttons, bit(JoystickButtons[event.jbutton.button]),
                                  event.type == SDL_JOYBUTTONDOWN);
    }
    tell(listener);
}

void GamePads::add(int deviceIndex, PadListener& listener)
{
    if (find(SDL_JoystickGetDeviceInstanceID(deviceIndex)))
        return;
    Pad pad;
    if (SDL_IsGameController(deviceIndex)) {
        pad.controller = SDL_GameControllerOpen(deviceIndex);
        if (!pad.controller)
            return;
        pad.id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad.controller));
        pads_.push_back(pad);
        return;
    }
    SDL_Joystick* joystick = SDL_JoystickOpen(deviceIndex);
    if (!joystick)
        return;
    const bool directions = SDL_JoystickNumHats(joystick) > JoystickHat
                         || SDL_JoystickNumAxes(joystick) > JoystickAxisY;
    if (!directions || SDL_JoystickNumButtons(joystick) < 1) {
        const char* name = SDL_JoystickName(joystick);
        listener.controllerUnusable(name ? name : "");
        SDL_JoystickClose(joystick);
        return;
    }
    pad.joystick = joystick;
    pad.id = SDL_JoystickInstanceID(joystick);
    pads_.push_back(pad);
}

void GamePads::remove(SDL_JoystickID id, PadListener& listener)
{
    const auto gone = std::find_if(pads_.begin(), pads_.end(), [id](const Pad& pad) { return pad.id == id; });
    if (gone == pads_.end())
        return;
    if (gone->controller)
        SDL_GameControllerClose(gone->controller);
    if (gone->joystick)
        SDL_JoystickClose(gone->joystick);
    pads_.erase(gone);
    tell(listener);
    listener.controllerRemoved();
}

GamePads::Pad* GamePads::find(SDL_JoystickID id)
{
    const auto found = std::find_if(pads_.begin(), pads_.end(), [id](const Pad& pad) { return pad.id == id; });
    return found == pads_.end() ? nullptr : &*found;
}

// Presses and releases what changed between what was told and what all hold now.
void GamePads::tell(PadListener& listener)
{
    std::uint32_t held = 0;
    for (const Pad& pad : pads_)
        held |= pad.held();
    for (int i = 0; i < PadInputCount; ++i) {
        const auto input = PadInput(i);
        const bool was = (told_ & bit(input)) != 0;
        const bool is = (held & bit(input)) != 0;
        if (is && !was)
            listener.padPressed(input);
        else if (was && !is)
            listener.padReleased(input);
    }
    told_ = held;
}
