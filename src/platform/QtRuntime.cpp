// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtRuntime.h"

#include "platform/Twips.h"

#include <QApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QThread>

#include <algorithm>
#include <cstdlib>

namespace {
// Keeps one edge of a box of the given length within [low, high], the near edge first.
int keptWithin(int start, int length, int low, int high)
{
    return std::max(low, std::min(start, high - length + 1));
}

// Centred over the window it belongs to (or the screen), and wholly on the screen.
void centreOver(QWidget& box, const QWidget* owner)
{
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    const QRect area = owner ? owner->frameGeometry() : available;
    QRect placed(QPoint(), box.size());
    placed.moveCenter(area.center());
    if (available.isValid()) {
        placed.moveTo(keptWithin(placed.left(), placed.width(), available.left(), available.right()),
                      keptWithin(placed.top(), placed.height(), available.top(), available.bottom()));
    }
    box.move(placed.topLeft());
}

// A box that opens centred at its final size, whatever the scale factor: it is placed once
// its layout has settled on showing (a message box fits its text to the screen only then),
// before it appears.
template <typename Box>
class Centred final : public Box {
public:
    using Box::Box;

protected:
    void showEvent(QShowEvent* event) override
    {
        Box::showEvent(event);
        centreOver(*this, this->parentWidget());
    }
};
} // namespace

QtRuntime::QtRuntime()
{
    clock_.start();
    randomize();
}

void QtRuntime::randomize()
{
    const auto now = QDateTime::currentDateTime();
    seed(uint32_t(now.toMSecsSinceEpoch()) ^ uint32_t(clock_.nsecsElapsed()));
}

void QtRuntime::seed(uint32_t value)
{
    engine_.seed(value);
    position_ = {value, 0};
}

Runtime::RandomPosition QtRuntime::randomPosition() const { return position_; }

float QtRuntime::rnd()
{
    ++position_.draws;
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

QWidget* QtRuntime::dialogOwner()
{
    // Without a window manager no window may be active once an earlier box has closed;
    // the window that asked then still owns the next box.
    if (QWidget* active = QApplication::activeWindow())
        lastOwner_ = active;
    if (lastOwner_ && lastOwner_->isVisible())
        return lastOwner_;
    return nullptr;
}

Runtime::Answer QtRuntime::msgBox(const QString& text, const QString& title, Buttons buttons)
{
    Centred<QMessageBox> box(QMessageBox::NoIcon, title, text,
                    buttons == Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                              : QMessageBox::Ok,
                    dialogOwner());
    // The text is shown as it is, never as markup (it may hold a stored name or a path).
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(buttons == Buttons::YesNo ? QMessageBox::Yes : QMessageBox::Ok);
    const int result = box.exec();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

QString QtRuntime::inputBox(const QString& prompt, const QString& title,
                            const QString& defaultText)
{
    Centred<QInputDialog> dialog(dialogOwner());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    for (QLabel* label : dialog.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    dialog.setTextValue(defaultText);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

void QtRuntime::setBusyCursor(bool busy)
{
    // Changed on the windows at once, so it shows while the thread then blocks.
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

QString QtRuntime::appPath() { return QCoreApplication::applicationDirPath(); }

QSize QtRuntime::screenTwips()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize pixels = screen ? screen->size() : QSize(640, 480);
    return QSize(int(Twips::fromPixels(float(pixels.width()))),
                 int(Twips::fromPixels(float(pixels.height()))));
}

void QtRuntime::fatalError(int code, const QString& description)
{
    QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Crawlix"),
                          QStringLiteral("Run-time error '%1':\n\n%2").arg(code).arg(description));
    std::_Exit(EXIT_FAILURE);
}
