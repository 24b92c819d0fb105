// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A picture control: position and size held exactly in twips (15 twips to the pixel; 4025
// twips is not a whole pixel, so a position is never read back from pixels), a visible
// flag of its own, and a persistent image that BitBlt copies into. A partial copy leaves
// the rest of the old picture as it was, and the image survives every repaint.
//
// Its plain grey surroundings show as clear: a sprite draws only its own shape.
//
// It is no widget: the surface it stands on paints it. A change tells the surface which
// pixels to paint again (the old and the new place of a moved picture), nothing else.

#include <QImage>
#include <QPixmap>
#include <QRect>

#include <array>
#include <cstddef>
#include <cstdint>

class QPainter;

class PictureBox {
public:
    // Where pictures stand: it keeps the marks of the pixels that changes touched, and
    // paints them again in its own time.
    class Surface {
    public:
        // These pixels show something else now; paint them again soon. Only a mark is
        // made, in a fixed array: a tick's moves cost no allocation and no call away.
        void invalidate(const QRect& pixels);
        // Paint these pixels at once (and whatever else waits to be painted).
        virtual void repaintNow(const QRect& pixels) = 0;

    protected:
        ~Surface() = default;

        // The places to paint again, gathered since they were last painted: room for every
        // picture to move twice.
        std::array<QRect, 32> changed_{};
        size_t changedCount_ = 0;
    };

    // Geometry in twips on the surface; frame is a border in pixels drawn around the
    // picture (the picture's own area is the size less twice the frame). Starts hidden.
    PictureBox(Surface* surface, float left, float top, float width, float height,
               int framePixels = 0);
    PictureBox(const PictureBox&) = delete;
    PictureBox& operator=(const PictureBox&) = delete;

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }
    void setLeft(float twips);
    void setTop(float twips);
    void move(float leftTwips, float topTwips);

    bool Visible() const { return visible_; }
    void setVisible(bool visible);

    // Shows what was copied into the picture at once.
    void Refresh();
    // Shows what was copied into the picture with the next paint.
    void update();

    // Where the picture stands on its surface, frame included, in pixels.
    const QRect& pixelRect() const { return place_; }
    // Draws the picture (and its frame) at its place; the surface calls it while painting.
    void paint(QPainter& painter) const;

    // The picture's own area in pixels at the designed size, as BitBlt counts them.
    QSize picturePixels() const { return picturePixels_; }
    // The persistent image, at the device scale (device pixels per picture pixel).
    const QImage& image() const { return image_; }
    // Replaces the whole picture (for the hidden sprite sheets) with one drawn at a scale,
    // in device pixels per picture pixel; it is drawn again whenever the zoom changes.
    using DrawAtScale = QImage (*)(qreal scale);
    void setPicture(DrawAtScale draw);
    // Places the picture and makes its image again at the zoom: a picture drawn by itself
    // draws itself again, the others copy again what was copied into them. The sources of
    // those copies go first.
    void drawAtZoom();
    bool drawnBySelf() const;
    // Counts the changes of the image, so a copy kept elsewhere knows when it is stale.
    uint32_t imageVersion() const { return imageVersion_; }

    // The number of device pixels per picture pixel used for every picture of the game,
    // so sprites stay crisp on high-density screens. Set once, before pictures are made.
    static int spriteScale();
    static void setSpriteScale(int scale);
    // The device pixels per picture pixel at the zoom: the zoom times the sprite scale.
    static qreal deviceScale();

private:
    // A copy into the picture, in picture pixels, kept so that it can be made again.
    struct Copy {
        const PictureBox* source = nullptr;
        QRect from;
        QPoint to;
    };

    static QRect inDevicePixels(const QRect& picture);
    void placeAndMakeImage();
    void paintPicture(const QImage& picture);
    void rememberCopy(const Copy& copy);
    void placeAt(QPoint pixels);
    QImage shownImage() const;
    const QPixmap& pixmap() const;

    // What a tick reads and writes comes first, close together.
    float left_;
    float top_;
    float width_;
    float height_;
    bool visible_ = false;
    int frame_;
    QRect place_;
    Surface* surface_;
    QSize picturePixels_;
    QImage image_;
    // What the image looks like on screen; made again only after the image changed.
    mutable QPixmap pixmap_;
    mutable bool pixmapStale_ = true;
    uint32_t imageVersion_ = 0;
    DrawAtScale draw_ = nullptr;
    // The copies since the picture was last wholly replaced: a bug's level setup copies a
    // part of it over the whole explosion, so two are the most the game makes.
    std::array<Copy, 4> copies_{};
    size_t copyCount_ = 0;

    friend void BitBlt(PictureBox& target, int x, int y, int width, int height,
                       const PictureBox& source, int sourceX, int sourceY);
};

// Copies a width x height rectangle of picture pixels from source at (sourceX, sourceY)
// into target at (x, y), replacing what the target showed there (SRCCOPY). The target
// shows it after its next repaint or Refresh.
void BitBlt(PictureBox& target, int x, int y, int width, int height,
            const PictureBox& source, int sourceX, int sourceY);
