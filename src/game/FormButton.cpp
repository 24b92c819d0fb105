// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/FormButton.h"

#include "platform/Twips.h"

FormButton::FormButton(QWidget* parent, const QString& caption, float left, float top,
                       float width, float height)
    : QPushButton(caption, parent)
    , left_(left)
    , top_(top)
    , width_(width)
    , height_(height)
{
    setFocusPolicy(Qt::NoFocus);
    setAutoDefault(false);
    Twips::place(this, left, top, width, height);
}
