// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Records the games played in a game window, from what the window announces: at New Game
// the random generator's position and the options in effect, then every input the rules
// took with the ticks run before it, each won level's box, and the end. Its list of events
// is reserved up front, so a tick costs it nothing and play allocates nothing for it.

#include "replay/Replay.h"

#include <cstdint>

class GameForm;

class GameRecorder {
public:
    // Records every game played in the window from now on, while it lives.
    void follow(GameForm& form);

    // The game that ended last, recorded from New Game to game over; null when there is
    // none (or a game is running).
    const Replay* finishedGame() const { return state_ == State::Over ? &game_ : nullptr; }

private:
    enum class State { Idle, Recording, Over };

    void started(const GameForm& form);
    void note(const GameForm& form, ReplayEvent::Kind kind, int32_t value = 0);
    void ended(const GameForm& form, int32_t points);

    State state_ = State::Idle;
    uint64_t lastTick_ = 0;
    Replay game_;
};
