// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A push button of the game window: its design position and size held in twips, and its
// caption. It never takes the keyboard focus, so the arrow keys always reach the game.

#include <QPushButton>

class FormButton : public QPushButton {
    Q_OBJECT
public:
    FormButton(QWidget* parent, const QString& caption, float left, float top, float width,
               float height);

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }

    QString Caption() const { return text(); }
    void setCaption(const QString& caption) { setText(caption); }

private:
    float left_;
    float top_;
    float width_;
    float height_;
};
