// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A line drawn on the game window: its two ends in twips and its colour.

#include <QColor>

struct LineControl {
    float X1;
    float Y1;
    float X2;
    float Y2;
    QColor BorderColor;
};
