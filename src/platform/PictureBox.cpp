// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PictureBox.h"

#include "platform/Twips.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
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

qreal PictureBox::deviceScale()
{
    return qreal(Twips::zoom()) / Twips::DesignZoom * scaleInUse;
}

PictureBox::PictureBox(Surface* surface, float left, float top, float width, float height,
                       int framePixels)
    : left_(left)
    , top_(top)
    , width_(width)
    , height_(height)
    , frame_(framePixels)
    , surface_(surface)
{
    picturePixels_ = QSize(Twips::pixels(width, Twips::DesignZoom) - 2 * frame_,
                           Twips::pixels(height, Twips::DesignZoom) - 2 * frame_);
    placeAndMakeImage();
}

void PictureBox::placeAndMakeImage()
{
    place_ = QRect(Twips::pixels(left_), Twips::pixels(top_), Twips::pixels(width_),
                   Twips::pixels(height_));
    image_ = QImage(inDevicePixels(QRect(QPoint(0, 0), picturePixels_)).size(),
                    QImage::Format_RGB32);
    image_.setDevicePixelRatio(scaleInUse);
    image_.fill(ButtonFace);
    pixmapStale_ = true;
    ++imageVersion_;
}

// Picture pixels to pixels of the image: each edge on its own, so that rectangles side by
// side stay side by side at any zoom.
QRect PictureBox::inDevicePixels(const QRect& picture)
{
    const qreal scale = deviceScale();
    const auto device = [scale](int pixels) { return int(std::lround(pixels * scale)); };
    const int left = device(picture.left());
    const int top = device(picture.top());
    return QRect(left, top, device(picture.left() + picture.width()) - left,
                 device(picture.top() + picture.height()) - top);
}

void PictureBox::drawAtZoom()
{
    placeAndMakeImage();
    if (draw_)
        paintPicture(draw_(deviceScale()));
    // What was copied in since the picture was last wholly replaced is copied again, from
    // sources already drawn at the zoom.
    const std::array<Copy, 4> copies = copies_;
    const size_t count = copyCount_;
    copyCount_ = 0;
    for (size_t i = 0; i < count; ++i)
        BitBlt(*this, copies[i].to.x(), copies[i].to.y(), copies[i].from.width(),
               copies[i].from.height(), *copies[i].source, copies[i].from.x(), copies[i].from.y());
}

bool PictureBox::drawnBySelf() const { return draw_ != nullptr; }

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

void PictureBox::setPicture(DrawAtScale draw)
{
    draw_ = draw;
    copyCount_ = 0;
    paintPicture(draw(deviceScale()));
}

void PictureBox::paintPicture(const QImage& picture)
{
    QPainter painter(&image_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(0, 0), picture);
    pixmapStale_ = true;
    ++imageVersion_;
}

void PictureBox::rememberCopy(const Copy& copy)
{
    // A copy over the whole picture makes every earlier one invisible.
    if (copy.to.x() <= 0 && copy.to.y() <= 0 && copy.to.x() + copy.from.width() >= picturePixels_.width()
        && copy.to.y() + copy.from.height() >= picturePixels_.height())
        copyCount_ = 0;
    if (copyCount_ == copies_.size()) {
        std::move(copies_.begin() + 1, copies_.end(), copies_.begin());
        --copyCount_;
    }
    copies_[copyCount_++] = copy;
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
    target.rememberCopy({&source, QRect(sourceX, sourceY, width, height), QPoint(x, y)});
    // Both images hold device pixels at the same scale, so a copy is plain rows of pixels,
    // clipped to both pictures as GDI clips it.
    QRect from = PictureBox::inDevicePixels(QRect(sourceX, sourceY, width, height));
    QRect to(PictureBox::inDevicePixels(QRect(x, y, width, height)).topLeft(), from.size());
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
