#pragma once
// The game window's client area: the grey field with the walls and the goal line, on which
// the pictures, labels and buttons stand. It holds the keyboard focus, so every key press
// of the game reaches the game, translated to a Windows virtual-key code.

#include "game/LineControl.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class Playfield : public QWidget {
    Q_OBJECT
public:
    using KeyHandler = std::function<void(int16_t keyCode, int16_t shift)>;

    Playfield(QWidget* parent, KeyHandler onKey);

    // The lines drawn on the field; they live in the window and outlive this widget's paints.
    void setLines(std::vector<const LineControl*> lines) { lines_ = std::move(lines); }

    // Forwards a key press to the game; used by the window for presses that reach it
    // directly.
    void forwardKey(const QKeyEvent& event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    KeyHandler onKey_;
    std::vector<const LineControl*> lines_;
};
