#include "game/FormButton.h"

#include <cmath>

namespace {
constexpr float TwipsPerPixel = 15.0f;

int toPixels(float twips) { return int(std::lround(twips / TwipsPerPixel)); }
} // namespace

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
    setGeometry(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}
