// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Plays a recorded game again in a loaded game window: sets the options and the random
// generator as they were at New Game, starts the game, and gives each recorded input to
// the window's own handler once as many ticks have run as before it. The rules do the rest,
// so the bug and every bomb stand where they stood, tick for tick.
//
// While it lives, the player's inputs do not reach the window and it drives the window's
// tick: paced, from the window's own timer (a game watched at its own speed); otherwise
// runToEnd() ticks in a loop, as fast as the machine goes (a game verified). Either way the
// replay ends at game over, or where the game stops following its recording. It learns of
// won levels and the end from what the window announces.

#include "replay/Replay.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class GameForm;

class Playback {
public:
    enum class Outcome { Running, Ended, Diverged };

    Playback(GameForm& form, Replay replay, bool paced);
    ~Playback();
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    // Starts the recorded game in the window.
    void start();
    // Ticks and inputs without waiting, until the game is over or has gone its own way.
    void runToEnd();
    // One tick, with the inputs due before it; or, while the timer is off, the inputs due
    // now. True when a tick ran.
    bool step();

    Outcome outcome() const { return outcome_; }
    // The points at game over (or where the replay stopped following its recording).
    int32_t points() const { return points_; }
    QString divergence() const { return divergence_; }
    const Replay& replay() const { return replay_; }
    // Called once the replay has ended, one way or the other.
    std::function<void()> onEnd;

    // When the congratulation box that is opening is to close, on the runtime's clock: as
    // long after the winning key as in the game.
    double boxClosesAt() const;

private:
    void boxClosed();
    void gameOver();
    void applyDue();
    void apply(const ReplayEvent& event);
    bool due() const;
    void finish(Outcome outcome, const QString& why = QString());

    GameForm& form_;
    // The window may go first (a watched game's window closed): then nothing is given back.
    QPointer<GameForm> alive_;
    Replay replay_;
    bool paced_;
    size_t next_ = 0;
    uint32_t ticksSince_ = 0;
    double appliedAt_ = 0.0;
    std::function<void()> ownTick_;
    Outcome outcome_ = Outcome::Running;
    int32_t points_ = 0;
    QString divergence_;
    QObject pacer_;
};
