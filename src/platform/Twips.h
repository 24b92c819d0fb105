// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Controls placed in twips, as the windows were designed: 15 twips to the pixel. A control
// keeps its design position and size as the float properties "Left", "Top", "Width" and
// "Height" (4025 twips is not a whole pixel, so a position is never read back from pixels);
// pixels are worked out from them for drawing only.

#include <QFont>

class QLabel;
class QWidget;

namespace Twips {

constexpr float PerPixel = 15.0f;

// The pixels a length or position in twips is drawn at: the quotient in single precision,
// rounded to nearest with halves away from zero. Every control of the game is drawn
// through it.
int pixels(float twips);

// Places a control in twips and remembers the twips on it.
void place(QWidget* control, float left, float top, float width, float height);
float left(const QWidget* control);
float top(const QWidget* control);
float width(const QWidget* control);
float height(const QWidget* control);
void setLeft(QWidget* control, float left);

// A label whose size follows its caption: as wide as its text, one line high, growing to
// the right from its Left edge.
void fitToCaption(QLabel* label);

// Fonts by pixel size (points x 96 / 72), so the layout never depends on the screen's DPI.
// "Times New Roman" resolves to the metric-compatible Liberation Serif.
QFont serif(int pixelSize, bool bold);
// The windows' default font: a small sans serif that keeps captions within their boxes.
QFont sans(int pixelSize);

} // namespace Twips
