// SPDX-License-Identifier: GPL-3.0-or-later
#include "replay/GameRecording.h"

#include "game/GameForm.h"
#include "platform/Runtime.h"
#include "replay/Playback.h"
#include "replay/Replay.h"
#include "shared/Declarations.h"
#include "shared/Numbers.h"

#include <algorithm>

namespace {
// Room for minutes of held keys before the list has to grow (which no tick ever does).
constexpr size_t ReservedEvents = 1 << 14;

enum class State { Idle, Recording, Over };

State state = State::Idle;
uint32_t ticks = 0;
Replay game;
Playback* playback = nullptr;

void note(ReplayEvent::Kind kind, int32_t value = 0)
{
    if (state != State::Recording)
        return;
    game.events.push_back({ticks, kind, value});
    ticks = 0;
}

// An input the player makes: noted in a game of the player's own, and let through in a
// replay only when the replay makes it.
bool input(ReplayEvent::Kind kind, int32_t value = 0)
{
    if (playback)
        return playback->applying();
    note(kind, value);
    return true;
}
} // namespace

namespace GameRecording {

bool newGame(const GameForm& form)
{
    if (playback)
        return playback->applying();
    state = State::Recording;
    ticks = 0;
    game.events.clear();
    game.events.reserve(ReservedEvents);
    const Runtime::RandomPosition position = runtime().randomPosition();
    game.seed = position.seed;
    game.draws = position.draws;
    game.level = Numbers::leadingInt32(StartLevelText);
    game.stillBombs = form.stillBombCount();
    game.song = SongNumber;
    game.name.clear();
    game.score = 0;
    return true;
}

bool tick()
{
    if (playback)
        return playback->tickStarts();
    ++ticks;
    return true;
}

bool key(int16_t keyCode) { return input(ReplayEvent::Kind::Key, keyCode); }
bool pause() { return input(ReplayEvent::Kind::Pause); }
bool focusPause() { return input(ReplayEvent::Kind::FocusPause); }
bool kill() { return input(ReplayEvent::Kind::Kill); }

void boxClosed(double cheerStarted)
{
    if (playback) {
        playback->boxClosed();
        return;
    }
    const double shown = (runtime().monotonicSeconds() - cheerStarted) * 1000.0;
    note(ReplayEvent::Kind::Box, int32_t(std::clamp(shown, 0.0, double(Replay::MaxBoxMs))));
}

void gameOver()
{
    if (playback) {
        playback->gameOver();
        return;
    }
    if (state != State::Recording)
        return;
    note(ReplayEvent::Kind::End);
    game.score = Points;
    state = State::Over;
}

bool playingBack() { return playback != nullptr; }

const Replay* finishedGame() { return state == State::Over ? &game : nullptr; }

void setPlayback(Playback* replay) { playback = replay; }

} // namespace GameRecording
