// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Controls placed in twips, as the windows were designed: 15 twips to the pixel at the
// designed size. A control keeps its design position and size as the float properties
// "Left", "Top", "Width" and "Height" (4025 twips is not a whole pixel, so a position is
// never read back from pixels); pixels are worked out from them for drawing only.
//
// The player's zoom is a factor in that one conversion and in the fonts, never in the
// twips: the rules, the stored values and the replays cannot tell a zoomed game from a
// plain one.

#include <QFont>

class QLabel;
class QWidget;

namespace Twips {

constexpr float PerPixel = 15.0f;

// The zoom in percent: 100 is the designed size, then steps of 25 up to 400.
constexpr int DesignZoom = 100;
constexpr int ZoomStep = 25;
constexpr int LargestZoom = 400;
int zoom();
// Takes the zoom from now on (a percent between the steps goes down to a step). The
// windows already made are laid out again by applyZoom.
void setZoom(int percent);
bool isZoomStep(int percent);

// The pixels a length or position in twips is drawn at: the quotient in single precision
// times the zoom, rounded to nearest with halves away from zero. Every control of the game
// is drawn through it.
int pixels(float twips);
int pixels(float twips, int zoomPercent);
// The twips a length in pixels on the screen stands for at the zoom.
float fromPixels(float pixels);

// Places a control in twips and remembers the twips on it.
void place(QWidget* control, float left, float top, float width, float height);
float left(const QWidget* control);
float top(const QWidget* control);
float width(const QWidget* control);
float height(const QWidget* control);
void setLeft(QWidget* control, float left);

// Fixes a window's (or a control's) size in twips.
void setFixedSize(QWidget* control, float width, float height);

// A label whose size follows its caption: as wide as its text, one line high, growing to
// the right from its Left edge.
void fitToCaption(QLabel* label);

// A control's font, given at the designed size: the control shows it at the zoom.
void setFont(QWidget* control, const QFont& designFont);
QFont zoomed(const QFont& designFont);

// Lays out a window again at the zoom: its fonts, then every control placed in twips, then
// whatever sizes follow from them; each widget of it then receives a ZoomChange event.
void applyZoom(QWidget* window);
int zoomChangeEvent();

// Fonts by pixel size (points x 96 / 72), so the layout never depends on the screen's DPI.
// "Times New Roman" resolves to the metric-compatible Liberation Serif.
QFont serif(int pixelSize, bool bold);
// The windows' default font: a small sans serif that keeps captions within their boxes.
QFont sans(int pixelSize);

} // namespace Twips
