// SPDX-License-Identifier: GPL-3.0-or-later
#include "replay/WatchedReplay.h"

#include "game/GameForm.h"
#include "game/GameTimer.h"
#include "options/Options.h"
#include "platform/PlayASound.h"
#include "shared/Declarations.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QTextStream>
#include <QTimer>

namespace {
// The window is on the screen a moment before the game starts in it.
constexpr int StartDelayMs = 500;
} // namespace

WatchedReplay::WatchedReplay(GameForm& form, Replay replay)
    : form_(&form)
    , program_(runtime())
    , services_(program_, PlaybackRuntime::Pace::RealTime)
    , playback_(form, std::move(replay), true)
{
    setRuntime(&services_);
    services_.setPlayback(&playback_);
    playback_.onEnd = [this] { ended(); };
    qApp->installEventFilter(this);
    QTimer::singleShot(StartDelayMs, this, [this] { begin(); });
}

WatchedReplay::~WatchedReplay()
{
    qApp->removeEventFilter(this);
    services_.setPlayback(nullptr);
    setRuntime(&program_);
}

// The song the game had, from its beginning, in place of the one the options chose. The
// window loaded before the audio was open, so its own song never started.
void WatchedReplay::begin()
{
    if (!form_)
        return;
    Audio::open();
    form_->MMControl1().setCommand(QStringLiteral("Close"));
    SongNumber = playback_.replay().song;
    StartMusic(form_->MMControl1());
    playback_.start();
}

// Once the game is over the window stays with its last picture; it starts no game of its
// own and opens no options. A replay that stops following its recording says so and stops.
void WatchedReplay::ended()
{
    if (!form_)
        return;
    if (playback_.outcome() == Playback::Outcome::Diverged) {
        QTextStream(stderr) << "crawlix: the replay stops: " << playback_.divergence() << Qt::endl;
        form_->Timer1()->setEnabled(false);
    }
    QTimer::singleShot(0, form_, [form = form_] { form->OptionMenu()->setEnabled(false); });
}

// Escape ends the replay and the program; no other key or click reaches the game.
bool WatchedReplay::eventFilter(QObject*, QEvent* event)
{
    if (form_ && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        emit form_->handOver().endWanted();
        return true;
    }
    return false;
}
