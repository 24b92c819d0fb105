// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/FormLabel.h"

#include "platform/Twips.h"

#include <QEvent>

#include <algorithm>

FormLabel::FormLabel(QWidget* parent, float left, float top, float width, float height)
    : QLabel(parent)
    , left_(left)
    , top_(top)
    , width_(width)
    , height_(height)
{
    setFocusPolicy(Qt::NoFocus);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    fitWidth();
}

void FormLabel::setCaption(const QString& caption)
{
    setText(caption);
    fitWidth();
}

void FormLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    // A zoom gives the label a font of another size: the caption is measured again.
    if (event->type() == QEvent::FontChange)
        fitWidth();
}

void FormLabel::fitWidth()
{
    // The design width, or wider when the caption needs it; the held twips stay the design.
    const int designWidth = Twips::pixels(width_);
    const int needed = fontMetrics().horizontalAdvance(text()) + 2 * margin() + 1;
    setGeometry(Twips::pixels(left_), Twips::pixels(top_), std::max(designWidth, needed),
                Twips::pixels(height_));
}
