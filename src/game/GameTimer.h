#pragma once
// The game window's timer control: a precise Qt timer behind the Enabled and Interval
// properties the game reads and writes. The timer's enabled flag is game state, so it is
// held here and read back from here, never guessed from elsewhere.

#include <QObject>
#include <QTimer>

#include <functional>

class GameTimer : public QObject {
    Q_OBJECT
public:
    explicit GameTimer(QObject* parent, std::function<void()> onTick);

    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    int Interval() const { return timer_.interval(); }
    void setInterval(int milliseconds);

private:
    QTimer timer_;
    bool enabled_ = false;
};
