// SPDX-License-Identifier: GPL-3.0-or-later
// The floor for play: the cheapest obvious way to animate twelve sprites in Qt, twelve
// QLabels showing a 32 x 32 picture, moved by a precise 15 ms timer over a window of the
// game's size.

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <array>

namespace {
constexpr int WindowWidth = 596;
constexpr int WindowHeight = 487;
constexpr int SpriteSize = 32;
constexpr int Sprites = 12;
constexpr int TickMs = 15;
// About what a bomb travels a tick at level 10 (70 twips).
constexpr int StepPixels = 5;
// Beside the game's window (at 24, 33), so that neither hides the other from the X server.
constexpr int WindowLeft = 660;
constexpr int WindowTop = 33;

QPixmap sprite()
{
    QPixmap picture(SpriteSize, SpriteSize);
    picture.fill(QColor(192, 192, 192));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::black);
    painter.drawEllipse(4, 6, 24, 24);
    return picture;
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(WindowWidth, WindowHeight);
    window.move(WindowLeft, WindowTop);
    const QPixmap picture = sprite();
    std::array<QLabel*, Sprites> labels{};
    for (int i = 0; i < Sprites; ++i) {
        labels[size_t(i)] = new QLabel(&window);
        labels[size_t(i)]->setPixmap(picture);
        labels[size_t(i)]->setGeometry(i * 45, 20 + i * 36, SpriteSize, SpriteSize);
    }
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&labels] {
        for (QLabel* label : labels) {
            const int x = label->x() + StepPixels;
            label->move(x > WindowWidth ? -SpriteSize : x, label->y());
        }
    });
    timer.start(TickMs);
    window.show();
    return QApplication::exec();
}
