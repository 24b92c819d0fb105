#include "platform/PictureBox.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {
int scaleInUse = 1;
const QColor FrameDark(128, 128, 128);
const QColor FrameLight(255, 255, 255);
// A new picture shows the button face until something is copied into it.
const QColor ButtonFace(192, 192, 192);

// Rounds halves away from zero, as lround does, but without a call into the maths library:
// a tick places six pictures and stays within the game's own code. Adding a half in double
// precision is exact for every float quotient a position can give, so truncating the sum
// rounds exactly as lround would.
int toPixels(float twips)
{
    const double pixels = double(twips / PictureBox::TwipsPerPixel);
    return int(pixels + (pixels < 0.0 ? -0.5 : 0.5));
}
} // namespace

int PictureBox::spriteScale() { return scaleInUse; }
void PictureBox::setSpriteScale(int scale) { scaleInUse = scale < 1 ? 1 : scale; }

PictureBox::PictureBox(Surface* surface, float left, float top, float width, float height,
                       int framePixels)
    : left_(left)
    , top_(top)
    , width_(width)
    , height_(height)
    , frame_(framePixels)
    , place_(toPixels(left), toPixels(top), toPixels(width), toPixels(height))
    , surface_(surface)
{
    picturePixels_ = QSize(toPixels(width) - 2 * frame_, toPixels(height) - 2 * frame_);
    image_ = QImage(picturePixels_ * scaleInUse, QImage::Format_RGB32);
    image_.setDevicePixelRatio(scaleInUse);
    image_.fill(ButtonFace);
}

[[gnu::hot]] void PictureBox::Surface::invalidate(const QRect& pixels)
{
    if (pixels.isEmpty())
        return;
    // More changes than room before they are painted: the last mark grows to take them in.
    if (changedCount_ == changed_.size()) {
        changed_.back() = changed_.back().united(pixels);
        return;
    }
    changed_[changedCount_++] = pixels;
}

[[gnu::hot]] void PictureBox::placeAt(QPoint pixels)
{
    // A move within the same pixel shows nothing new.
    if (pixels == place_.topLeft())
        return;
    const QRect before = place_;
    place_.moveTopLeft(pixels);
    if (!visible_ || !surface_)
        return;
    // A step along a row or a column shorter than the picture: the old and the new place
    // together are one rectangle.
    const int across = place_.left() - before.left();
    const int down = place_.top() - before.top();
    if (down == 0 && std::abs(across) < place_.width() && place_.height() > 0) {
        surface_->invalidate(QRect(std::min(before.left(), place_.left()), place_.top(),
                                   place_.width() + std::abs(across), place_.height()));
        return;
    }
    if (across == 0 && std::abs(down) < place_.height() && place_.width() > 0) {
        surface_->invalidate(QRect(place_.left(), std::min(before.top(), place_.top()),
                                   place_.width(), place_.height() + std::abs(down)));
        return;
    }
    surface_->invalidate(before);
    surface_->invalidate(place_);
}

[[gnu::hot]] void PictureBox::setLeft(float twips)
{
    left_ = twips;
    placeAt(QPoint(toPixels(twips), place_.top()));
}

[[gnu::hot]] void PictureBox::setTop(float twips)
{
    top_ = twips;
    placeAt(QPoint(place_.left(), toPixels(twips)));
}

void PictureBox::move(float leftTwips, float topTwips)
{
    left_ = leftTwips;
    top_ = topTwips;
    placeAt(QPoint(toPixels(leftTwips), toPixels(topTwips)));
}

void PictureBox::setVisible(bool visible)
{
    if (visible == visible_)
        return;
    visible_ = visible;
    if (surface_)
        surface_->invalidate(place_);
}

void PictureBox::Refresh()
{
    if (visible_ && surface_)
        surface_->repaintNow(place_);
}

void PictureBox::update()
{
    if (visible_ && surface_)
        surface_->invalidate(place_);
}

void PictureBox::setPicture(const QImage& picture)
{
    QPainter painter(&image_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRect(QPoint(0, 0), picturePixels_), picture);
    pixmapStale_ = true;
    ++imageVersion_;
}

const QPixmap& PictureBox::pixmap() const
{
    if (pixmapStale_) {
        pixmap_ = QPixmap::fromImage(image_);
        pixmapStale_ = false;
    }
    return pixmap_;
}

void PictureBox::paint(QPainter& painter) const
{
    const QRect& place = place_;
    if (frame_ > 0) {
        // A sunken two-pixel frame, as the sheets' controls draw it.
        painter.fillRect(place, FrameLight);
        painter.fillRect(QRect(place.topLeft(), place.size() - QSize(1, 1)), FrameDark);
    }
    // The image is exactly the picture's own area, so it never paints past its place.
    painter.drawPixmap(place.topLeft() + QPoint(frame_, frame_), pixmap());
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
    target.pixmapStale_ = true;
    ++target.imageVersion_;
    const auto bytes = size_t(from.width()) * sizeof(QRgb);
    for (int row = 0; row < from.height(); ++row) {
        const auto* in = reinterpret_cast<const QRgb*>(source.image_.constScanLine(from.y() + row));
        auto* out = reinterpret_cast<QRgb*>(target.image_.scanLine(to.y() + row));
        std::memcpy(out + to.x(), in + from.x(), bytes);
    }
}
