// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A label of the game window: its design position and size held in twips, its caption,
// and a width that grows to the right when the caption would not fit, so the level and
// the points are never cut off.

#include <QLabel>

class FormLabel : public QLabel {
    Q_OBJECT
public:
    FormLabel(QWidget* parent, float left, float top, float width, float height);

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }

    QString Caption() const { return text(); }
    void setCaption(const QString& caption);

protected:
    void changeEvent(QEvent* event) override;

private:
    void fitWidth();

    float left_;
    float top_;
    float width_;
    float height_;
};
