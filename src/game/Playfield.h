// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game window's client area: the grey field with the walls and the goal line, on which
// the pictures, labels and buttons stand. It holds the keyboard focus, so every key press
// of the game reaches the game, translated to a Windows virtual-key code.
//
// The pictures (the bug, the bombs and the hidden sprite sheets) are no widgets: the field
// owns them and paints them itself, in the order they were made, and a layer over the
// labels and buttons paints them again there, so they pass in front of them. A moved
// picture marks its old and new place; once per pass of the event loop the marks are
// painted, so moving a picture costs no allocation and no region work.
//
// On X at a whole scale, where the server shares memory with the game, the marks are
// filled in by the X server, so a frame costs a request instead of a pass through Qt's
// backing store: the changed places are made up in pixels both can see (the field without
// its pictures, then the pictures) and one request fills them into the window. Elsewhere Qt
// paints them. Whatever Qt paints itself (a label or a button changing, an expose) it paints
// with the pictures as they are, and the field without its pictures is made again from it.

#include "game/LineControl.h"
#include "platform/PictureBox.h"
#include "platform/XSurface.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMouseEvent;
class QPainter;
class QWindow;

class Playfield : public QWidget, public PictureBox::Surface {
    Q_OBJECT
public:
    using KeyHandler = std::function<void(int16_t keyCode, int16_t shift)>;

    Playfield(QWidget* parent, KeyHandler onKey);
    ~Playfield() override;

    // The lines drawn on the field; they live in the window and outlive this widget's paints.
    void setLines(std::vector<const LineControl*> lines) { lines_ = std::move(lines); }

    // A new picture on the field, hidden, above every picture made before it. The field
    // owns it for as long as the field lives.
    PictureBox* addPicture(float left, float top, float width, float height,
                           int framePixels = 0);

    // A control that a shown picture covers takes no click there, as a picture in front
    // of it would catch the click.
    void coverWithPictures(QWidget* control);

    // Forwards a key press to the game; used by the window for presses that reach it
    // directly.
    void forwardKey(const QKeyEvent& event);

    // PictureBox::Surface
    void repaintNow(const QRect& pixels) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void childEvent(QChildEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void drawAtZoom();
    void handChangesToQt();
    void startServerDrawing(QWindow* window);
    bool drawOnServer();
    bool shareWithServer(int scale);
    void drawShared(QPoint origin, int scale);
    void copyIntoShared(uchar* shared, const QImage& image, const QRect& from, QPoint to) const;
    void laySpriteIntoShared(uchar* shared, const QImage& sprite, const QRect& from,
                             QPoint to) const;
    void renderPicture(size_t index, int scale);
    void placeLayer();
    void paintPictures(QPainter& painter, const QRegion& area) const;
    bool pictureCovers(QPoint fieldPixel) const;
    bool clickCaughtByPicture(const QMouseEvent& event) const;

    KeyHandler onKey_;
    std::vector<const LineControl*> lines_;
    QWidget* layer_;
    // The bug, the two sprite sheets and twelve bombs, with room to spare.
    std::array<std::optional<PictureBox>, 16> pictures_;
    size_t pictureCount_ = 0;
    std::vector<QWidget*> covered_;
    QWindow* watchedWindow_ = nullptr;

    // Where the window is filled in by the X server: the server, and the pictures as drawn
    // at the window's scale, each remade when its image changes.
    struct RenderedPicture {
        uint32_t version = 0;
        bool made = false;
        QImage image;
    };
    std::unique_ptr<XSurface> server_;
    std::array<RenderedPicture, 16> renderedPictures_{};
    // The size of the pixels shared with the server, and the scale they were made at.
    QSize sharedSize_;
    int serverScale_ = 0;
    // The field as it looks without any picture (grey, lines, labels and buttons), made
    // again after Qt has painted anything on it.
    QImage backgroundImage_;
    bool backgroundStale_ = true;
    // While the field renders its background, the pictures stay out of it.
    bool renderingBackground_ = false;
    bool traceServer_ = false;
};
