// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Twips.h"

#include <QFontMetrics>
#include <QLabel>
#include <QVariant>

#include <cmath>

namespace Twips {

int pixels(float twips) { return int(std::lround(twips / PerPixel)); }

void place(QWidget* control, float left, float top, float width, float height)
{
    control->setProperty("Left", left);
    control->setProperty("Top", top);
    control->setProperty("Width", width);
    control->setProperty("Height", height);
    control->setGeometry(pixels(left), pixels(top), pixels(width), pixels(height));
}

float left(const QWidget* control) { return control->property("Left").toFloat(); }
float top(const QWidget* control) { return control->property("Top").toFloat(); }
float width(const QWidget* control) { return control->property("Width").toFloat(); }
float height(const QWidget* control) { return control->property("Height").toFloat(); }

void setLeft(QWidget* control, float left)
{
    place(control, left, top(control), width(control), height(control));
}

void fitToCaption(QLabel* label)
{
    const QFontMetrics metrics(label->font());
    place(label, left(label), top(label),
          float(metrics.horizontalAdvance(label->text())) * PerPixel,
          float(metrics.height()) * PerPixel);
}

QFont serif(int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QFont sans(int pixelSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace Twips
