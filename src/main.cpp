// Start-up only: the application object, the runtime services, audio and the first window.
#include "platform/PictureBox.h"
#include "platform/PlayASound.h"
#include "platform/QtRuntime.h"
#include "platform/SpriteSheets.h"
#include "shared/Forms.h"

#include <QApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace {
// Sprites are drawn at the screen's density, so they stay crisp on high-density screens.
int spriteScaleForScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double ratio = screen ? screen->devicePixelRatio() : 1.0;
    return std::max(1, int(std::ceil(ratio)));
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("crawlix"));
    QApplication::setQuitOnLastWindowClosed(true);
    QtRuntime services;
    setRuntime(&services);

    PictureBox::setSpriteScale(spriteScaleForScreen());
    Audio::open();
    QApplication::setWindowIcon(SpriteSheets::applicationIcon());

    ShowSplash();
    const int result = QApplication::exec();

    // Whatever is still loaded goes now, so the game window stops its song before the
    // audio device closes.
    EndProgram();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Audio::close();
    return result;
}
