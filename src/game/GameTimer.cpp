#include "game/GameTimer.h"

#include "game/TickProbe.h"

#include <QSocketNotifier>

#include <sys/timerfd.h>
#include <unistd.h>

#include <cstdint>

namespace {
constexpr long NanosecondsPerMillisecond = 1'000'000;
constexpr int MillisecondsPerSecond = 1000;

timespec period(int milliseconds)
{
    return timespec{milliseconds / MillisecondsPerSecond,
                    long(milliseconds % MillisecondsPerSecond) * NanosecondsPerMillisecond};
}
} // namespace

GameTimer::GameTimer(QObject* owner, Tick onTick)
    : QObject(owner)
    , onTick_(onTick)
    , clock_(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC))
    , probe_(TickProbe::fromEnvironment())
{
    if (clock_ < 0)
        return;
    ticks_ = new QSocketNotifier(qintptr(clock_), QSocketNotifier::Read, this);
    connect(ticks_, &QSocketNotifier::activated, this, [this] { fire(); });
}

GameTimer::~GameTimer()
{
    if (clock_ >= 0)
        close(clock_);
}

void GameTimer::setEnabled(bool enabled)
{
    enabled_ = enabled;
    if (enabled && interval_ > 0)
        start();
    else
        stop();
}

void GameTimer::setInterval(int milliseconds)
{
    interval_ = milliseconds;
    if (enabled_ && milliseconds > 0)
        start();
}

void GameTimer::start()
{
    // The first tick one interval from now, then one every interval, counted by the kernel.
    const itimerspec every{period(interval_), period(interval_)};
    if (clock_ >= 0)
        timerfd_settime(clock_, 0, &every, nullptr);
}

void GameTimer::stop()
{
    if (clock_ < 0)
        return;
    const itimerspec never{};
    timerfd_settime(clock_, 0, &never, nullptr);
    // A tick that came due before the timer was switched off must not run.
    uint64_t due = 0;
    [[maybe_unused]] const ssize_t drained = read(clock_, &due, sizeof due);
}

[[gnu::hot]] void GameTimer::fire()
{
    uint64_t due = 0;
    if (read(clock_, &due, sizeof due) != ssize_t(sizeof due) || !enabled_)
        return;
    if (probe_)
        probe_->measure(onTick_, parent());
    else
        onTick_(parent());
}
