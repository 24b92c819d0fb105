#pragma once
// A top-level window drawn on by the X server itself: images are kept as pixmaps on the
// server, uploaded once, and copied into the window on request. Copying a few rectangles
// this way costs a few requests written into the connection's buffer, where a paint through
// Qt's backing store costs a repaint pass, a painter and a shared-memory put every time.
//
// Only where the window system is X and the window's pixels are 32-bit xRGB, as Qt's own
// images are; elsewhere there is none, and the caller paints through Qt.

#include <QPoint>
#include <QRect>
#include <QtGlobal>
#include <QSize>

#include <cstdint>
#include <memory>

class QImage;
class QWidget;
struct xcb_connection_t;

class XSurface {
public:
    // The X window of the widget's top-level, or nothing where it cannot be drawn on.
    static std::unique_ptr<XSurface> forWindowOf(QWidget* widget);
    ~XSurface();
    XSurface(const XSurface&) = delete;
    XSurface& operator=(const XSurface&) = delete;

    // A pixmap of this size in device pixels, or 0. Freed with release.
    uint32_t makePixmap(QSize devicePixels);
    void release(uint32_t pixmap);
    // Copies an image of 32-bit pixels into the pixmap's top left corner.
    void upload(uint32_t pixmap, const QImage& image);
    // Copies a rectangle of the pixmap (device pixels) into the window at a device pixel.
    void copy(uint32_t pixmap, const QRect& from, QPoint to);
    // Fills rectangles of the window (device pixels) from the pixmap laid with its top left
    // corner at a device pixel of the window: one request for them all, where a copy each
    // would cost a request each.
    void fillFrom(uint32_t pixmap, QPoint origin, const QRect* rects, size_t count);
    // Sends what was asked for to the server.
    void flush();

    // Memory shared with the X server: pixels of the window's depth that the server sees as
    // a pixmap, so what the game writes into them one fill request brings into the window.
    struct SharedPixels {
        uchar* bits = nullptr;
        size_t bytesPerLine = 0;
        QSize size;
        uint32_t pixmap = 0;
        uint32_t segment = 0;
    };
    // Only where the server takes shared pixmaps from a file on this machine; none (no
    // bits) elsewhere.
    SharedPixels makeShared(QSize devicePixels);
    void release(SharedPixels& shared);

private:
    XSurface(xcb_connection_t* connection, uint32_t window, uint8_t depth);

    xcb_connection_t* connection_;
    uint32_t window_;
    uint8_t depth_;
    uint32_t gc_;
    // Fills with a pixmap laid as tiles; the tile and its origin change only when asked to.
    uint32_t tileGc_;
    uint32_t tile_ = 0;
    QPoint tileOrigin_;
    // The largest request the server takes, in bytes.
    size_t maxRequestBytes_;
    // Whether the server shares pixmaps passed as a file, asked once.
    bool askedForSharing_ = false;
    bool sharesPixmaps_ = false;
};
