// Start-up only: the application object, the runtime services, audio and the first window.
#include "platform/QtRuntime.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("crawlix"));
    QtRuntime services;
    setRuntime(&services);

    QLabel first(QStringLiteral("Crawlix"));
    first.setWindowTitle(QStringLiteral("Crawlix"));
    first.resize(320, 200);
    first.setAlignment(Qt::AlignCenter);
    first.show();
    return app.exec();
}
