#pragma once
// The game window's timer control: a precise timer behind the Enabled and Interval
// properties the game reads and writes. The timer's enabled flag is game state, so it is
// held here and read back from here, never guessed from elsewhere.
//
// The ticks come from the kernel's periodic timer (timerfd), so they keep time to the
// microsecond and never drift: a late tick does not push the next one back. A tick missed
// while the program was busy is not made up.

#include <QObject>

#include <memory>

class QSocketNotifier;
class TickProbe;

class GameTimer : public QObject {
    Q_OBJECT
public:
    // A tick calls a member function of the timer's owner (its parent) directly, through a
    // function kept with the tick's own code: no call on the way leads elsewhere.
    using Tick = void (*)(QObject* owner);
    template <typename Owner, void (Owner::*Method)()>
    [[gnu::hot]] static void call(QObject* owner)
    {
        (static_cast<Owner*>(owner)->*Method)();
    }

    GameTimer(QObject* owner, Tick onTick);
    ~GameTimer() override;

    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    int Interval() const { return interval_; }
    void setInterval(int milliseconds);

private:
    void start();
    void stop();
    void fire();

    Tick onTick_;
    int interval_ = 0;
    bool enabled_ = false;
    int clock_ = -1;
    QSocketNotifier* ticks_ = nullptr;
    // Only when the benchmark asks for one.
    std::unique_ptr<TickProbe> probe_;
};
