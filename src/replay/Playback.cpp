// SPDX-License-Identifier: GPL-3.0-or-later
#include "replay/Playback.h"

#include "game/FormButton.h"
#include "game/GameForm.h"
#include "game/GameTimer.h"
#include "platform/Runtime.h"
#include "shared/Declarations.h"
#include "shared/Numbers.h"

#include <QTimer>

namespace {
// A watched game holds each pause this long, so that it is seen at all.
constexpr int PauseHoldMs = 700;

// The player clicked the button with the mouse, which was on it as the game froze: the
// watched game shows it so too.
void showClicked(QWidget& button)
{
    button.setAttribute(Qt::WA_UnderMouse, true);
    button.repaint();
}
} // namespace

Playback::Playback(GameForm& form, Replay replay, bool paced)
    : form_(form), alive_(&form), replay_(std::move(replay)), paced_(paced), ownTick_(form.Timer1()->onTick())
{
    form_.setPlayerInputs(false);
    form_.Timer1()->setOnTick([this] { step(); });
    QObject::connect(&form_, &GameForm::levelWon, &pacer_, [this] { boxClosed(); });
    QObject::connect(&form_, &GameForm::gameEnded, &pacer_, [this] { gameOver(); });
}

Playback::~Playback()
{
    if (!alive_)
        return;
    form_.Timer1()->setOnTick(ownTick_);
    form_.setPlayerInputs(true);
}

void Playback::start()
{
    StartLevelText = Numbers::toText(int64_t(replay_.level));
    StillBombsText = Numbers::toText(int64_t(replay_.stillBombs));
    runtime().seed(replay_.seed);
    for (uint64_t i = 0; i < replay_.draws; ++i)
        runtime().rnd();
    form_.NewMenu_Click();
    points_ = Points;
}

void Playback::runToEnd()
{
    while (outcome_ == Outcome::Running)
        step();
}

bool Playback::step()
{
    // The inputs due before the tick go in first; one of them may stop the game.
    applyDue();
    if (outcome_ != Outcome::Running || !form_.Timer1()->Enabled())
        return false;
    ++ticksSince_;
    form_.Timer1_Timer();
    return true;
}

bool Playback::due() const
{
    return next_ < replay_.events.size() && replay_.events[next_].ticks == ticksSince_;
}

void Playback::applyDue()
{
    bool applied = false;
    while (outcome_ == Outcome::Running && due()) {
        const ReplayEvent event = replay_.events[next_];
        if (event.kind == ReplayEvent::Kind::End) {
            finish(Outcome::Diverged, QStringLiteral("the game goes on past its recorded end"));
            return;
        }
        if (event.kind == ReplayEvent::Kind::Box) {
            finish(Outcome::Diverged, QStringLiteral("a congratulation box closes that never opened"));
            return;
        }
        if (paced_ && applied && !form_.Timer1()->Enabled()) {
            QTimer::singleShot(PauseHoldMs, &pacer_, [this] { applyDue(); });
            return;
        }
        ++next_;
        ticksSince_ = 0;
        apply(event);
        applied = true;
    }
    // Ticks are still to come, but nothing recorded sets the game going again.
    if (outcome_ == Outcome::Running && !form_.Timer1()->Enabled())
        finish(Outcome::Diverged, QStringLiteral("the game stops where its recording goes on"));
}

void Playback::apply(const ReplayEvent& event)
{
    appliedAt_ = runtime().monotonicSeconds();
    switch (event.kind) {
    case ReplayEvent::Kind::Key:
        form_.BombPic_KeyDown(0, int16_t(event.value), 0);
        break;
    case ReplayEvent::Kind::Pause:
        form_.Pauser_Click();
        break;
    case ReplayEvent::Kind::FocusPause:
        form_.pauseOnFocusLoss();
        break;
    case ReplayEvent::Kind::Kill:
        if (paced_)
            showClicked(*form_.Kill());
        form_.Kill_Click();
        break;
    case ReplayEvent::Kind::Box:
    case ReplayEvent::Kind::End:
        break;
    }
}

void Playback::boxClosed()
{
    if (outcome_ != Outcome::Running)
        return;
    if (next_ < replay_.events.size() && replay_.events[next_].kind == ReplayEvent::Kind::Box
        && replay_.events[next_].ticks == ticksSince_) {
        ++next_;
        return;
    }
    finish(Outcome::Diverged, QStringLiteral("a level is won where its recording goes on"));
}

double Playback::boxClosesAt() const
{
    const bool box = next_ < replay_.events.size()
        && replay_.events[next_].kind == ReplayEvent::Kind::Box;
    return appliedAt_ + (box ? replay_.events[next_].value / 1000.0 : 0.0);
}

void Playback::gameOver()
{
    if (outcome_ != Outcome::Running)
        return;
    const bool atEnd = next_ + 1 == replay_.events.size()
        && replay_.events[next_].kind == ReplayEvent::Kind::End
        && replay_.events[next_].ticks == ticksSince_;
    if (atEnd) {
        ++next_;
        finish(Outcome::Ended);
    } else {
        finish(Outcome::Diverged, QStringLiteral("the game ends where its recording goes on"));
    }
}

void Playback::finish(Outcome outcome, const QString& why)
{
    outcome_ = outcome;
    divergence_ = why;
    points_ = Points;
    if (onEnd)
        onEnd();
}
