// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/GameTimer.h"

#include "shared/Trace.h"

GameTimer::GameTimer(QObject* parent, std::function<void()> onTick)
    : QObject(parent)
    , onTick_(std::move(onTick))
    , trace_(tracing())
{
    ticks_.setTimerType(Qt::PreciseTimer);
    connect(&ticks_, &QTimer::timeout, this, &GameTimer::fire);
}

void GameTimer::setEnabled(bool enabled)
{
    if (trace_ && enabled != enabled_)
        trace(enabled ? QStringLiteral("timer enabled") : QStringLiteral("timer disabled"));
    enabled_ = enabled;
    // The first tick one interval from now, then one every interval.
    if (enabled && interval_ > 0)
        ticks_.start(interval_);
    else
        ticks_.stop();
}

void GameTimer::setInterval(int milliseconds)
{
    interval_ = milliseconds;
    if (enabled_ && milliseconds > 0)
        ticks_.start(milliseconds);
}

void GameTimer::fire()
{
    // A tick that came due before the timer was switched off does not run.
    if (enabled_ && onTick_)
        onTick_();
}
