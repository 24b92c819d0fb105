// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up only: the application object, the runtime services, audio and the first window.
#include "platform/PictureBox.h"
#include "platform/PlayASound.h"
#include "platform/QtRuntime.h"
#include "platform/SpriteSheets.h"
#include "app/CommandLine.h"
#include "app/Forms.h"
#include "app/GameControllers.h"
#include "replay/GameRecorder.h"
#include "app/ZoomKeys.h"
#include "replay/ReplayCommands.h"
#include "replay/WatchedReplay.h"
#include "shared/Trace.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QScreen>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <thread>

namespace {
// Sprites are drawn at the screen's density, so they stay crisp on high-density screens.
int spriteScaleForScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double ratio = screen ? screen->devicePixelRatio() : 1.0;
    return std::max(1, int(std::ceil(ratio)));
}

// The trace of what the windows show: a window shown or hidden, a button enabled or
// disabled, a label painted with a new text.
class ScreenTrace : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Paint:
            if (auto* label = qobject_cast<QLabel*>(watched))
                labelPainted(label);
            break;
        case QEvent::Show:
        case QEvent::Hide:
            if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->isWindow())
                trace(QStringLiteral("window %1: %2")
                        .arg(event->type() == QEvent::Show ? "shown" : "hidden",
                             widget->windowTitle()));
            break;
        case QEvent::EnabledChange:
            if (auto* button = qobject_cast<QAbstractButton*>(watched))
                trace(QStringLiteral("button %1: %2")
                        .arg(button->isEnabled() ? "enabled" : "disabled", button->text()));
            break;
        default:
            break;
        }
        return false;
    }

private:
    void labelPainted(QLabel* label)
    {
        auto shown = lastText_.find(label);
        if (shown == lastText_.end()) {
            connect(label, &QObject::destroyed, this,
                    [this, label] { lastText_.remove(label); });
            shown = lastText_.insert(label, QString());
        } else if (*shown == label->text()) {
            return;
        }
        *shown = label->text();
        trace(QStringLiteral("label: %1").arg(label->text()));
    }

    QHash<const QObject*, QString> lastText_;
};

// What no title screen needs waits until the first window has painted: the audio device
// and the application's icon. Whichever window paints first (the title screen, or the
// options window of a first run) sets it going, once, right after that paint.
class AfterFirstPaint : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !started_) {
            started_ = true;
            QCoreApplication::instance()->removeEventFilter(this);
            QMetaObject::invokeMethod(this, &AfterFirstPaint::run, Qt::QueuedConnection);
        }
        return false;
    }

private:
    static void run()
    {
        // The painted window reaches the display before anything else is done.
        QGuiApplication::sync();
        Audio::open();
        StartGameControllers(); // in the sound module too
        QApplication::setWindowIcon(SpriteSheets::applicationIcon());
    }

    bool started_ = false;
};
} // namespace

int main(int argc, char* argv[])
{
    CommandLine::Start start = CommandLine::handle(argc, argv);
    if (start.what == CommandLine::Start::What::End)
        return start.status;
    if (start.what == CommandLine::Start::What::Verify)
        return ReplayCommands::verify(argc, argv, start.verifyFile);
    // Fontconfig reads its configuration and font caches, the larger part of what the title
    // screen's text costs, on another core while Qt connects to the display.
    std::thread fonts([] { FcInit(); });
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("crawlix"));
    // Lets the desktop match the windows to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.crawlix.Crawlix"));
    QApplication::setQuitOnLastWindowClosed(true);
    QtRuntime services;
    setRuntime(&services);

    ScreenTrace screenTrace;
    if (tracing())
        app.installEventFilter(&screenTrace);

    PictureBox::setSpriteScale(spriteScaleForScreen());
    ZoomKeys zoomKeys;
    app.installEventFilter(&zoomKeys);
    AfterFirstPaint afterFirstPaint;
    app.installEventFilter(&afterFirstPaint);

    fonts.join();
    GameRecorder recorder;
    std::unique_ptr<WatchedReplay> watched;
    if (start.replay) {
        watched = std::make_unique<WatchedReplay>(*ShowGameForm(), std::move(*start.replay));
    } else {
        RecordGames(recorder);
        ShowSplash();
    }
    const int result = QApplication::exec();

    // However the program ends (the last window closed, or "&Exit"), whatever is still
    // loaded goes, the music stops and the audio device closes before the program does.
    EndProgram();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return result;
}
