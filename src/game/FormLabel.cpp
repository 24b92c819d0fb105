#include "game/FormLabel.h"

#include <cmath>

namespace {
constexpr float TwipsPerPixel = 15.0f;

int toPixels(float twips) { return int(std::lround(twips / TwipsPerPixel)); }
} // namespace

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

void FormLabel::fitWidth()
{
    // The design width, or wider when the caption needs it; the held twips stay the design.
    const int designWidth = toPixels(width_);
    const int needed = fontMetrics().horizontalAdvance(text()) + 2 * margin() + 1;
    setGeometry(toPixels(left_), toPixels(top_), std::max(designWidth, needed),
                toPixels(height_));
}
