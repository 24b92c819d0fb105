#include "platform/QtRuntime.h"

#include <QApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QScreen>
#include <QThread>

#include <cstdlib>

namespace {
constexpr int TwipsPerPixel = 15;
}

QtRuntime::QtRuntime()
{
    clock_.start();
    randomize();
}

void QtRuntime::randomize()
{
    const auto now = QDateTime::currentDateTime();
    engine_.seed(uint32_t(now.toMSecsSinceEpoch()) ^ uint32_t(clock_.nsecsElapsed()));
}

void QtRuntime::seed(uint32_t value) { engine_.seed(value); }

float QtRuntime::rnd()
{
    // 24 random bits make a float that is never 1.0.
    return float(engine_() >> 8) * 0x1.0p-24f;
}

double QtRuntime::monotonicSeconds() { return double(clock_.nsecsElapsed()) / 1e9; }

void QtRuntime::sleepMs(int milliseconds)
{
    if (milliseconds > 0)
        QThread::msleep(ulong(milliseconds));
}

void QtRuntime::doEvents() { QCoreApplication::processEvents(); }

Runtime::Answer QtRuntime::msgBox(const QString& text, const QString& title, Buttons buttons)
{
    QMessageBox box(QMessageBox::NoIcon, title, text,
                    buttons == Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                              : QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setDefaultButton(buttons == Buttons::YesNo ? QMessageBox::Yes : QMessageBox::Ok);
    const int result = box.exec();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

QString QtRuntime::inputBox(const QString& prompt, const QString& title,
                            const QString& defaultText)
{
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

QString QtRuntime::appPath() { return QCoreApplication::applicationDirPath(); }

QSize QtRuntime::screenTwips()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize pixels = screen ? screen->size() : QSize(640, 480);
    return pixels * TwipsPerPixel;
}

void QtRuntime::fatalError(int code, const QString& description)
{
    QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Crawlix"),
                          QStringLiteral("Run-time error '%1':\n\n%2").arg(code).arg(description));
    std::_Exit(EXIT_FAILURE);
}
