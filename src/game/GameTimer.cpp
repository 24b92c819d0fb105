#include "game/GameTimer.h"

GameTimer::GameTimer(QObject* parent, std::function<void()> onTick)
    : QObject(parent)
{
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this, tick = std::move(onTick)] {
        // A tick that was already queued when the timer was switched off must not run.
        if (enabled_)
            tick();
    });
}

void GameTimer::setEnabled(bool enabled)
{
    enabled_ = enabled;
    if (enabled && timer_.interval() > 0)
        timer_.start();
    else
        timer_.stop();
}

void GameTimer::setInterval(int milliseconds)
{
    timer_.setInterval(milliseconds);
    if (enabled_ && milliseconds > 0)
        timer_.start();
}
