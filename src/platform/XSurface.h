// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A top-level window that the X server fills from pixels it shares with the game: the game
// makes up a frame's changed places in memory both can see, and one request fills them into
// the window, where a paint through Qt's backing store costs a repaint pass, a painter and a
// put of the pixels every time.
//
// Only where the window system is X on this machine, the server takes shared pixmaps passed
// as a file, and the window's pixels are 32-bit xRGB, as Qt's own images are; elsewhere
// there is none (nor in a build without xcb), and the caller paints through Qt.

#include <QPoint>
#include <QRect>
#include <QString>
#include <QSize>
#include <QtGlobal>

#include <cstddef>
#include <memory>

class QWidget;

class XSurface {
public:
    // The X window of the widget's top-level, or nothing where it cannot be drawn on.
    static std::unique_ptr<XSurface> forWindowOf(QWidget* widget);
    // Says in the trace, once a run for each reason, why Qt paints the playfield instead.
    // Always false, so that a fallback says why as it returns.
    static bool paintedByQt(const QString& why);
    virtual ~XSurface() = default;

    // Pixels of this size (device pixels) shared with the server, in place of any shared
    // before; false where the server takes none.
    virtual bool share(QSize devicePixels) = 0;
    // The shared pixels, 32 bits each, rows bytesPerLine apart. Waits until the server has
    // read what the last fill took from them, so a frame is never changed while it is read.
    virtual uchar* pixels() = 0;
    virtual size_t bytesPerLine() const = 0;
    // Fills rectangles of the window (device pixels) from the shared pixels laid with their
    // top left corner at a device pixel of the window: one request for them all, sent at once.
    virtual void fill(QPoint origin, const QRect* rects, size_t count) = 0;
};
