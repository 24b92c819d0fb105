// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PictureBox.h"

#include "platform/Twips.h"

#include <QPainter>

#include <cstring>

namespace {
int scaleInUse = 1;
const QColor FrameDark(128, 128, 128);
const QColor FrameLight(255, 255, 255);
// A new picture shows the button face until something is copied into it.
const QColor ButtonFace(192, 192, 192);
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
    , place_(Twips::pixels(left), Twips::pixels(top), Twips::pixels(width), Twips::pixels(height))
    , surface_(surface)
{
    picturePixels_ = QSize(Twips::pixels(width) - 2 * frame_, Twips::pixels(height) - 2 * frame_);
    image_ = QImage(picturePixels_ * scaleInUse, QImage::Format_RGB32);
    image_.setDevicePixelRatio(scaleInUse);
    image_.fill(ButtonFace);
}

void PictureBox::Surface::invalidate(const QRect& pixels)
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

void PictureBox::placeAt(QPoint pixels)
{
    // A move within the same pixel shows nothing new.
    if (pixels == place_.topLeft())
        return;
    const QRect before = place_;
    place_.moveTopLeft(pixels);
    if (!visible_ || !surface_)
        return;
    // A step along a row or a column: the old and the new place together are one rectangle.
    const bool sameRows = before.top() == place_.top();
    const bool sameColumns = before.left() == place_.left();
    if ((sameRows || sameColumns) && before.intersects(place_)) {
        surface_->invalidate(before.united(place_));
        return;
    }
    surface_->invalidate(before);
    surface_->invalidate(place_);
}

void PictureBox::setLeft(float twips)
{
    left_ = twips;
    placeAt(QPoint(Twips::pixels(twips), place_.top()));
}

void PictureBox::setTop(float twips)
{
    top_ = twips;
    placeAt(QPoint(place_.left(), Twips::pixels(twips)));
}

void PictureBox::move(float leftTwips, float topTwips)
{
    left_ = leftTwips;
    top_ = topTwips;
    placeAt(QPoint(Twips::pixels(leftTwips), Twips::pixels(topTwips)));
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

// The picture as it shows: its plain grey surroundings are clear, so whatever stands below
// (a wall, the goal line, another picture) shows around the sprite's own shape. A pixel is
// either the picture's or the field's, never a blend, so both ways of drawing agree.
QImage PictureBox::shownImage() const
{
    QImage shown = image_.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QRgb surroundings = ButtonFace.rgb();
    for (int y = 0; y < shown.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(shown.scanLine(y));
        for (int x = 0; x < shown.width(); ++x) {
            if (row[x] == surroundings)
                row[x] = 0;
        }
    }
    return shown;
}

const QPixmap& PictureBox::pixmap() const
{
    if (pixmapStale_) {
        pixmap_ = QPixmap::fromImage(shownImage());
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
