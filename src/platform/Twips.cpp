// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Twips.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace {
int zoomInUse = Twips::DesignZoom;
// The application's own font as it was before any zoom: the menus and the message and
// name boxes follow it.
QFont designApplicationFont;
bool applicationFontKept = false;
const int ZoomChangeType = QEvent::registerEventType();

const char* const DesignFontProperty = "DesignFont";
const char* const FixedWidthProperty = "FixedWidth";
const char* const FixedHeightProperty = "FixedHeight";
const char* const FitsCaptionProperty = "FitsCaption";

float factor(int zoomPercent) { return float(zoomPercent) / float(Twips::DesignZoom); }

void zoomApplicationFont()
{
    if (!applicationFontKept) {
        if (zoomInUse == Twips::DesignZoom)
            return;
        designApplicationFont = QApplication::font();
        applicationFontKept = true;
    }
    QApplication::setFont(Twips::zoomed(designApplicationFont));
}

void zoomControl(QWidget* control)
{
    const QVariant font = control->property(DesignFontProperty);
    if (font.isValid())
        control->setFont(Twips::zoomed(font.value<QFont>()));
    else if (control->isWindow())
        // A window made at another zoom keeps that zoom's font as its own; it takes the
        // application's font (zoomed) again.
        control->setFont(QFont());
    if (control->property("Left").isValid())
        Twips::place(control, Twips::left(control), Twips::top(control), Twips::width(control),
                     Twips::height(control));
    if (control->property(FixedWidthProperty).isValid())
        Twips::setFixedSize(control, control->property(FixedWidthProperty).toFloat(),
                            control->property(FixedHeightProperty).toFloat());
    if (control->property(FitsCaptionProperty).isValid())
        Twips::fitToCaption(static_cast<QLabel*>(control));
}
} // namespace

namespace Twips {

int zoom() { return zoomInUse; }

bool isZoomStep(int percent)
{
    return percent >= DesignZoom && percent <= LargestZoom && percent % ZoomStep == 0;
}

void setZoom(int percent)
{
    zoomInUse = std::clamp(percent - percent % ZoomStep, DesignZoom, LargestZoom);
    zoomApplicationFont();
}

int pixels(float twips) { return pixels(twips, zoomInUse); }

int pixels(float twips, int zoomPercent)
{
    return int(std::lround(twips / PerPixel * factor(zoomPercent)));
}

float fromPixels(float pixels) { return pixels * PerPixel / factor(zoomInUse); }

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

void setFixedSize(QWidget* control, float width, float height)
{
    control->setProperty(FixedWidthProperty, width);
    control->setProperty(FixedHeightProperty, height);
    control->setFixedSize(pixels(width), pixels(height));
}

void fitToCaption(QLabel* label)
{
    const QFontMetrics metrics(label->font());
    label->setProperty(FitsCaptionProperty, true);
    place(label, left(label), top(label), fromPixels(float(metrics.horizontalAdvance(label->text()))),
          fromPixels(float(metrics.height())));
}

QFont zoomed(const QFont& designFont)
{
    QFont font = designFont;
    if (designFont.pixelSize() > 0)
        font.setPixelSize(pixels(float(designFont.pixelSize()) * PerPixel));
    else
        font.setPointSizeF(designFont.pointSizeF() * double(factor(zoomInUse)));
    return font;
}

void setFont(QWidget* control, const QFont& designFont)
{
    control->setProperty(DesignFontProperty, QVariant::fromValue(designFont));
    control->setFont(zoomed(designFont));
}

void applyZoom(QWidget* window)
{
    const QList<QWidget*> controls = window->findChildren<QWidget*>();
    zoomControl(window);
    for (QWidget* control : controls)
        zoomControl(control);
    // A main window is its menu bar over its central widget.
    if (auto* main = qobject_cast<QMainWindow*>(window); main && main->centralWidget()) {
        const QSize central = main->centralWidget()->size();
        main->setFixedSize(central.width(), central.height() + main->menuBar()->sizeHint().height());
    }
    QEvent changed{QEvent::Type(ZoomChangeType)};
    for (QWidget* control : controls)
        QCoreApplication::sendEvent(control, &changed);
    QCoreApplication::sendEvent(window, &changed);
}

int zoomChangeEvent() { return ZoomChangeType; }

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
