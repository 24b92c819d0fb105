// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/BoxRect.h"

#include "platform/PictureBox.h"
#include "platform/Runtime.h"
#include "shared/Declarations.h"
#include "shared/Numbers.h"

namespace {
constexpr int OverflowError = 6;

int32_t edge(double twips)
{
    bool fits = true;
    const int32_t value = Numbers::roundToInt32(twips, &fits);
    if (!fits)
        runtime().fatalError(OverflowError, QStringLiteral("Overflow"));
    return value;
}
} // namespace

BoxRect boxOf(const PictureBox& picture)
{
    const double left = picture.Left();
    const double top = picture.Top();
    return BoxRect{edge(left), edge(top), edge(left + double(picture.Width())),
                   edge(top + double(picture.Height()))};
}

bool boxesOverlap(const BoxRect& first, const BoxRect& second)
{
    return RectsOverlap(first.left, first.top, first.right, first.bottom, second.left,
                        second.top, second.right, second.bottom) != False;
}
