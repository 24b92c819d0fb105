// SPDX-License-Identifier: GPL-3.0-or-later
#include "replay/PlaybackRuntime.h"

#include "replay/Playback.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <algorithm>

PlaybackRuntime::PlaybackRuntime(Runtime& inner, Pace pace) : inner_(inner), pace_(pace) {}

double PlaybackRuntime::monotonicSeconds()
{
    return pace_ == Pace::Instant ? clockSeconds_ : inner_.monotonicSeconds();
}

void PlaybackRuntime::sleepMs(int milliseconds)
{
    if (pace_ == Pace::Instant)
        clockSeconds_ += milliseconds / 1000.0;
    else
        inner_.sleepMs(milliseconds);
}

void PlaybackRuntime::doEvents()
{
    if (pace_ == Pace::RealTime)
        inner_.doEvents();
}

Runtime::Answer PlaybackRuntime::msgBox(const QString& text, const QString& title,
                                        Buttons buttons)
{
    if (pace_ == Pace::Instant)
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    // The real box, closed as long after the winning key as the player closed it.
    const double closesAt = playback_ ? playback_->boxClosesAt() : 0.0;
    QTimer closer;
    closer.setSingleShot(true);
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            box->accept();
    });
    closer.start(int(std::clamp((closesAt - inner_.monotonicSeconds()) * 1000.0, 0.0, 3.6e6)));
    return inner_.msgBox(text, title, buttons);
}

QString PlaybackRuntime::inputBox(const QString& prompt, const QString& title,
                                  const QString& defaultText)
{
    // A game played back earns no top-ten place, so no name is asked; were one asked while
    // nobody watches, nobody could answer.
    if (pace_ == Pace::Instant)
        throw PlaybackError("a name is asked for");
    return inner_.inputBox(prompt, title, defaultText);
}

void PlaybackRuntime::fatalError(int code, const QString& description)
{
    if (pace_ == Pace::RealTime)
        inner_.fatalError(code, description);
    throw PlaybackError(QStringLiteral("run-time error %1: %2").arg(code).arg(description).toStdString());
}
