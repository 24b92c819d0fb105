// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game window's timer control: a precise Qt timer behind the Enabled and Interval
// properties the game reads and writes. The timer's enabled flag is game state, so it is
// held here and read back from here, never guessed from elsewhere.
//
// A precise timer keeps to its interval without drift: a late tick does not push the next
// one back. A tick missed while the program was busy is not made up.
//
// With CRAWLIX_TRACE=1 it tells on standard error when it is switched on or off: the
// bombs start or stop there.

#include <QObject>
#include <QTimer>

#include <functional>

class GameTimer : public QObject {
    Q_OBJECT
public:
    GameTimer(QObject* parent, std::function<void()> onTick);

    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    int Interval() const { return interval_; }

    // What a tick does: the game's own tick, unless a game played from elsewhere drives it.
    const std::function<void()>& onTick() const { return onTick_; }
    void setOnTick(std::function<void()> onTick) { onTick_ = std::move(onTick); }
    void setInterval(int milliseconds);

private:
    void fire();

    std::function<void()> onTick_;
    QTimer ticks_;
    int interval_ = 0;
    bool enabled_ = false;
    bool trace_ = false;
};
