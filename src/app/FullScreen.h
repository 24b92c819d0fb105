// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game window full screen: the form at the largest zoom that fits the screen, centred,
// the rest of the screen black. Leaving brings the window back at its former zoom and
// place; so does the game window going, or another of the game's windows showing.

#include <QObject>
#include <QPoint>
#include <QPointer>

#include <QMainWindow>

class FullScreen : public QObject {
public:
    bool active() const { return window_ != nullptr; }
    // Shows the window full screen, or brings it back when it is.
    void toggle(QMainWindow* window);
    void leave();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void enter(QMainWindow* window);
    void centreContent();
    void paintSurroundings();

    QPointer<QMainWindow> window_;
    int formerZoom_ = 0;
    QPoint formerPlace_;
};
