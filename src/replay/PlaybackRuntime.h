// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The runtime services while a replay plays, over the program's own. Watched, the game
// keeps its own time and the congratulation box closes by itself after as long as it
// stayed open in the game. Verified, nothing waits: sleeps return at once on a clock of
// their own, every box answers itself, and a run-time error ends the replay, not the
// program.

#include "platform/Runtime.h"

#include <stdexcept>

class Playback;

// A run-time error in a replay that is being verified.
struct PlaybackError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class PlaybackRuntime final : public Runtime {
public:
    enum class Pace { RealTime, Instant };

    PlaybackRuntime(Runtime& inner, Pace pace);
    void setPlayback(const Playback* playback) { playback_ = playback; }

    void randomize() override { inner_.randomize(); }
    void seed(uint32_t value) override { inner_.seed(value); }
    float rnd() override { return inner_.rnd(); }
    RandomPosition randomPosition() const override { return inner_.randomPosition(); }
    double monotonicSeconds() override;
    void sleepMs(int milliseconds) override;
    void doEvents() override;
    Answer msgBox(const QString& text, const QString& title, Buttons buttons) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    void setBusyCursor(bool busy) override { inner_.setBusyCursor(busy); }
    QString appPath() override { return inner_.appPath(); }
    QSize screenTwips() override { return inner_.screenTwips(); }
    [[noreturn]] void fatalError(int code, const QString& description) override;

private:
    Runtime& inner_;
    Pace pace_;
    const Playback* playback_ = nullptr;
    double clockSeconds_ = 0.0;
};
