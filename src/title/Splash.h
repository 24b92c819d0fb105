// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The title screen the program opens with: the game's name drops into place while four
// small squares jump about. A click on the background or a square opens the game window;
// on the very first run (no start level stored yet) it writes the empty top ten and goes
// straight on to the options window instead, as it does when a stored option is one the
// options window never writes, for the player to correct it.

#include "shared/HandOver.h"

#include <QTimer>
#include <QWidget>
#include <array>

class QFrame;
class QLabel;

class Splash : public QWidget {
    Q_OBJECT
public:
    // Geometry of a control in twips within the client area, kept exactly as floats.
    struct Twips {
        float Left = 0;
        float Top = 0;
        float Width = 0;
        float Height = 0;
    };

    static constexpr int ShapeCount = 4;

    Splash();

    void Form_Load();
    // Runs once per load, when the window first becomes active or right after it is
    // first shown, whichever comes first.
    void Form_Activate();
    // A click on the background or on a square.
    void Form_Click();
    void Timer1_Timer();

    // The window's outer position and size in twips.
    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const;
    float Height() const;

    const Twips& Label1() const { return label1Twips_; }
    const Twips& Label3() const { return label3Twips_; }
    // Shape1 to Shape4 (number 1 to 4).
    const Twips& Shape(int number) const { return shapes_.at(number - 1).twips; }
    bool ShapeVisible(int number) const;

    QTimer& Timer1() { return timer1_; }
    QLabel* label1Widget() const { return label1_; }
    QLabel* label3Widget() const { return label3_; }
    QWidget* shapeWidget(int number) const;
    QWidget* clientWidget() const { return client_; }

    // What the window asks of the program: the game or the options window, its own end.
    HandOver& handOver() { return handOver_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Return or Space does what a click on the background does.
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct ShapeControl {
        QFrame* frame = nullptr;
        Twips twips;
    };

    void buildControls();
    void buildShapes();
    void buildLabels();
    QLabel* makeLabel(const QString& caption, const QFont& font, const QColor& colour);
    void sizeToCaption(QLabel* label, Twips& twips);
    void centreLabel(QLabel* label, Twips& twips);
    void place(QWidget* widget, const Twips& twips);
    void activateOnce();

    HandOver handOver_;
    QWidget* client_ = nullptr;
    QLabel* label1_ = nullptr;
    QLabel* label3_ = nullptr;
    Twips label1Twips_;
    Twips label3Twips_;
    std::array<ShapeControl, ShapeCount> shapes_;
    QTimer timer1_;
    float left_ = 0;
    float top_ = 0;
    bool activated_ = false;
    bool pressedOnBackground_ = false;
};
