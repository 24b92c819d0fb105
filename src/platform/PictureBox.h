#pragma once
// A picture control: position and size held exactly in twips (15 twips to the pixel; 4025
// twips is not a whole pixel, so a position is never read back from pixels), a visible
// flag of its own, and a persistent image that BitBlt copies into. A partial copy leaves
// the rest of the old picture as it was, and the image survives every repaint.

#include <QImage>
#include <QWidget>

class PictureBox : public QWidget {
    Q_OBJECT
public:
    static constexpr float TwipsPerPixel = 15.0f;

    // Geometry in twips relative to the parent; frame is a border in pixels drawn around
    // the picture (the picture's own area is the size less twice the frame).
    PictureBox(QWidget* parent, float left, float top, float width, float height,
               int framePixels = 0);

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }
    void setLeft(float twips);
    void setTop(float twips);
    void move(float leftTwips, float topTwips);

    bool Visible() const { return visible_; }
    void setVisible(bool visible) override;

    // Shows what was copied into the picture at once.
    void Refresh();

    // The picture's own area in pixels.
    QSize picturePixels() const { return picturePixels_; }
    // The persistent image, at the sprite scale (device pixels per picture pixel).
    const QImage& image() const { return image_; }
    // Replaces the whole picture (for the hidden sprite sheets).
    void setPicture(const QImage& picture);

    // The number of device pixels per picture pixel used for every picture of the game,
    // so sprites stay crisp on high-density screens. Set once, before pictures are made.
    static int spriteScale();
    static void setSpriteScale(int scale);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void place();

    float left_;
    float top_;
    float width_;
    float height_;
    int frame_;
    bool visible_ = false;
    QSize picturePixels_;
    QImage image_;

    friend void BitBlt(PictureBox& target, int x, int y, int width, int height,
                       const PictureBox& source, int sourceX, int sourceY);
};

// Copies a width x height rectangle of picture pixels from source at (sourceX, sourceY)
// into target at (x, y), replacing what the target showed there (SRCCOPY). The target
// shows it after its next repaint or Refresh.
void BitBlt(PictureBox& target, int x, int y, int width, int height,
            const PictureBox& source, int sourceX, int sourceY);
