#include "game/Playfield.h"

#include "game/VirtualKeys.h"

#include <QKeyEvent>
#include <QPainter>

namespace {
constexpr float TwipsPerPixel = 15.0f;
}

Playfield::Playfield(QWidget* parent, KeyHandler onKey)
    : QWidget(parent)
    , onKey_(std::move(onKey))
{
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
}

void Playfield::forwardKey(const QKeyEvent& event)
{
    const int16_t code = VirtualKeys::keyCode(event);
    if (code != 0 && onKey_)
        onKey_(code, VirtualKeys::shiftState(event));
}

void Playfield::keyPressEvent(QKeyEvent* event)
{
    // Held keys repeat: every auto-repeated press is one more press.
    forwardKey(*event);
    event->accept();
}

bool Playfield::focusNextPrevChild(bool)
{
    // Tab is a key of the game like any other; the focus stays on the field.
    return false;
}

void Playfield::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (const LineControl* line : lines_) {
        painter.setPen(QPen(line->BorderColor, 0));
        painter.drawLine(QPointF(line->X1 / TwipsPerPixel, line->Y1 / TwipsPerPixel),
                         QPointF(line->X2 / TwipsPerPixel, line->Y2 / TwipsPerPixel));
    }
}
