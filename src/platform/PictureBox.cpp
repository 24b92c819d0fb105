#include "platform/PictureBox.h"

#include <QPainter>

#include <cmath>
#include <cstring>

namespace {
int scaleInUse = 1;
const QColor FrameDark(128, 128, 128);
const QColor FrameLight(255, 255, 255);

int toPixels(float twips) { return int(std::lround(twips / PictureBox::TwipsPerPixel)); }
} // namespace

int PictureBox::spriteScale() { return scaleInUse; }
void PictureBox::setSpriteScale(int scale) { scaleInUse = scale < 1 ? 1 : scale; }

PictureBox::PictureBox(QWidget* parent, float left, float top, float width, float height,
                       int framePixels)
    : QWidget(parent)
    , left_(left)
    , top_(top)
    , width_(width)
    , height_(height)
    , frame_(framePixels)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    picturePixels_ = QSize(toPixels(width) - 2 * frame_, toPixels(height) - 2 * frame_);
    image_ = QImage(picturePixels_ * scaleInUse, QImage::Format_RGB32);
    image_.setDevicePixelRatio(scaleInUse);
    image_.fill(palette().color(QPalette::Button));
    place();
    QWidget::setVisible(false);
}

void PictureBox::place()
{
    setGeometry(toPixels(left_), toPixels(top_), toPixels(width_), toPixels(height_));
}

void PictureBox::setLeft(float twips)
{
    left_ = twips;
    place();
}

void PictureBox::setTop(float twips)
{
    top_ = twips;
    place();
}

void PictureBox::move(float leftTwips, float topTwips)
{
    left_ = leftTwips;
    top_ = topTwips;
    place();
}

void PictureBox::setVisible(bool visible)
{
    visible_ = visible;
    QWidget::setVisible(visible);
}

void PictureBox::Refresh()
{
    if (isVisible())
        repaint();
}

void PictureBox::setPicture(const QImage& picture)
{
    QPainter painter(&image_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRect(QPoint(0, 0), picturePixels_), picture);
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (frame_ > 0) {
        // A sunken two-pixel frame, as the sheets' controls draw it.
        painter.fillRect(rect(), FrameLight);
        painter.fillRect(QRect(0, 0, width() - 1, height() - 1), FrameDark);
    }
    painter.drawImage(QPoint(frame_, frame_), image_);
}

void BitBlt(PictureBox& target, int x, int y, int width, int height,
            const PictureBox& source, int sourceX, int sourceY)
{
    // Both images hold device pixels at the same scale, so a copy is plain rows of pixels,
    // clipped to both pictures as GDI clips it.
    const int scale = PictureBox::spriteScale();
    QRect from(sourceX * scale, sourceY * scale, width * scale, height * scale);
    QRect to(x * scale, y * scale, width * scale, height * scale);
    const QRect sourceBounds = source.image_.rect();
    const QRect targetBounds = target.image_.rect();
    // Clip the pair of rectangles together so they stay the same size.
    const QPoint shift = to.topLeft() - from.topLeft();
    from = from.intersected(sourceBounds).intersected(targetBounds.translated(-shift));
    if (from.isEmpty())
        return;
    to = from.translated(shift);
    const auto bytes = size_t(from.width()) * sizeof(QRgb);
    for (int row = 0; row < from.height(); ++row) {
        const auto* in = reinterpret_cast<const QRgb*>(source.image_.constScanLine(from.y() + row));
        auto* out = reinterpret_cast<QRgb*>(target.image_.scanLine(to.y() + row));
        std::memcpy(out + to.x(), in + from.x(), bytes);
    }
}
