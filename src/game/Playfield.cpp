// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Playfield.h"

#include "game/VirtualKeys.h"
#include "platform/Twips.h"
#include "shared/Trace.h"

#include <QAbstractEventDispatcher>
#include <QChildEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <cstring>

namespace {
QRect inDevicePixels(const QRect& pixels, int scale)
{
    return QRect(pixels.topLeft() * scale, pixels.size() * scale);
}

// The pixels a line across or down the field covers: as thick as one pixel of the design,
// from its first end to its last pixel.
QRect lineRect(const LineControl& line)
{
    const int thickness = std::max(1, Twips::pixels(Twips::PerPixel));
    const QPoint from(Twips::pixels(std::min(line.X1, line.X2)), Twips::pixels(std::min(line.Y1, line.Y2)));
    const QPoint to(Twips::pixels(std::max(line.X1, line.X2)), Twips::pixels(std::max(line.Y1, line.Y2)));
    return QRect(from, to + QPoint(thickness - 1, thickness - 1));
}
} // namespace

Playfield::Playfield(QWidget* parent, KeyHandler onKey)
    : QWidget(parent)
    , onKey_(std::move(onKey))
    , layer_(new QWidget(this))
{
    // The field paints its whole area itself: nothing below it needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    // The layer that paints the pictures again over the labels and buttons lets clicks
    // and keys through to whatever stands below it.
    layer_->setAttribute(Qt::WA_TransparentForMouseEvents);
    layer_->setFocusPolicy(Qt::NoFocus);
    layer_->installEventFilter(this);
    traceServer_ = tracing();
    if (QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance()) {
        connect(loop, &QAbstractEventDispatcher::aboutToBlock, this,
                &Playfield::handChangesToQt);
        connect(loop, &QAbstractEventDispatcher::awake, this, &Playfield::handChangesToQt);
    }
}

Playfield::~Playfield() = default;

PictureBox* Playfield::addPicture(float left, float top, float width, float height,
                                  int framePixels)
{
    // Side by side in one block, so a tick finds every picture in a few cache lines.
    if (pictureCount_ == pictures_.size())
        qFatal("Playfield: more than %zu pictures", pictures_.size());
    std::optional<PictureBox>& picture = pictures_[pictureCount_++];
    picture.emplace(this, left, top, width, height, framePixels);
    // Pictures stand in front of the labels and buttons made before them.
    layer_->raise();
    return &*picture;
}

void Playfield::coverWithPictures(QWidget* control) { covered_.push_back(control); }

void Playfield::showEvent(QShowEvent*)
{
    // Clicks are looked at where the window system delivers them, before they find their
    // control; a click a test sends to a control itself goes there, as it always did.
    QWindow* window = this->window()->windowHandle();
    placeLayer();
    if (window && window != watchedWindow_) {
        watchedWindow_ = window;
        window->installEventFilter(this);
        startServerDrawing(window);
    }
}

void Playfield::childEvent(QChildEvent* event)
{
    // A label or a button that paints may show something new: the server's copy of the
    // field is made again before it is used.
    if (event->added())
        event->child()->installEventFilter(this);
    QWidget::childEvent(event);
}

void Playfield::startServerDrawing(QWindow* window)
{
    server_.reset();
    sharedSize_ = QSize();
    // Qt's own paint stays available to compare against.
    if (qEnvironmentVariableIsSet("CRAWLIX_QT_PAINT") || !window)
        return;
    server_ = XSurface::forWindowOf(this);
    backgroundStale_ = true;
}

bool Playfield::clickCaughtByPicture(const QMouseEvent& event) const
{
    const QPoint at = mapFrom(window(), event.position().toPoint());
    if (!pictureCovers(at))
        return false;
    for (const QWidget* control : covered_) {
        if (control->isVisible() && control->geometry().contains(at))
            return true;
    }
    return false;
}

void Playfield::repaintNow(const QRect& pixels)
{
    invalidate(pixels);
    // Qt paints everything marked so far, the moves of this tick with it.
    handChangesToQt();
}

void Playfield::handChangesToQt()
{
    if (changedCount_ == 0)
        return;
    if (drawOnServer()) {
        changedCount_ = 0;
        return;
    }
    QRegion changed;
    for (size_t i = 0; i < changedCount_; ++i)
        changed += changed_[i];
    changedCount_ = 0;
    // Painted at once, before the loop waits: no update request goes round the loop.
    repaint(changed);
}

bool Playfield::drawOnServer()
{
    if (!server_ || !isVisible())
        return false;
    // Whole device pixels only: the pictures are made up and placed pixel for pixel.
    const qreal ratio = devicePixelRatioF();
    const int scale = int(ratio);
    if (scale < 1 || scale != ratio)
        return XSurface::paintedByQt(QStringLiteral("the screen's scale is not a whole number"));
    if ((scale != serverScale_ || size() * scale != sharedSize_) && !shareWithServer(scale))
        return false;
    if (backgroundStale_) {
        // The field paints itself as Qt paints it into the window, only without the pictures.
        renderingBackground_ = true;
        render(&backgroundImage_);
        renderingBackground_ = false;
        backgroundStale_ = false;
    }
    drawShared(mapTo(window(), QPoint(0, 0)) * scale, scale);
    if (traceServer_) {
        traceServer_ = false;
        trace(QStringLiteral("playfield: drawn by the X server from shared pixels"));
    }
    return true;
}

bool Playfield::shareWithServer(int scale)
{
    const QSize size = this->size() * scale;
    if (!server_->share(size)) {
        // The server takes no shared pixels: Qt paints from now on.
        server_.reset();
        return false;
    }
    sharedSize_ = size;
    serverScale_ = scale;
    backgroundImage_ = QImage(size, QImage::Format_RGB32);
    backgroundImage_.setDevicePixelRatio(scale);
    backgroundStale_ = true;
    // Every picture is made again at the new scale.
    renderedPictures_.fill(RenderedPicture{});
    return true;
}

void Playfield::drawShared(QPoint origin, int scale)
{
    // Each changed place is made up in the shared pixels, the field without its pictures and
    // then the pictures in paint order, and one request fills them all into the window. What
    // lies outside the changed places is never read, so it may be stale.
    uchar* shared = server_->pixels();
    const QRect field = rect();
    std::array<QRect, std::tuple_size_v<decltype(changed_)>> filled;
    size_t filledCount = 0;
    for (size_t i = 0; i < changedCount_; ++i) {
        const QRect area = changed_[i].intersected(field);
        if (area.isEmpty())
            continue;
        const QRect device = inDevicePixels(area, scale);
        copyIntoShared(shared, backgroundImage_, device, device.topLeft());
        for (size_t p = 0; p < pictureCount_; ++p) {
            const PictureBox& picture = *pictures_[p];
            if (!picture.Visible() || !picture.pixelRect().intersects(area))
                continue;
            if (!renderedPictures_[p].made
                || renderedPictures_[p].version != picture.imageVersion())
                renderPicture(p, scale);
            const QRect part = area.intersected(picture.pixelRect());
            laySpriteIntoShared(shared, renderedPictures_[p].image,
                                inDevicePixels(part.translated(-picture.pixelRect().topLeft()), scale),
                                part.topLeft() * scale);
        }
        filled[filledCount++] = device.translated(origin);
    }
    server_->fill(origin, filled.data(), filledCount);
}

void Playfield::copyIntoShared(uchar* shared, const QImage& image, const QRect& from,
                               QPoint to) const
{
    constexpr size_t PixelBytes = 4;
    const size_t rowBytes = size_t(from.width()) * PixelBytes;
    const auto imageLine = size_t(image.bytesPerLine());
    const size_t sharedLine = server_->bytesPerLine();
    const uchar* source = image.constBits() + size_t(from.y()) * imageLine
        + size_t(from.x()) * PixelBytes;
    uchar* target = shared + size_t(to.y()) * sharedLine + size_t(to.x()) * PixelBytes;
    for (int row = 0; row < from.height(); ++row) {
        std::memcpy(target, source, rowBytes);
        source += imageLine;
        target += sharedLine;
    }
}

void Playfield::laySpriteIntoShared(uchar* shared, const QImage& sprite, const QRect& from,
                                    QPoint to) const
{
    // A sprite's pixel is either wholly its own or clear, so it replaces what lies below
    // or leaves it, as Qt's painting of the same picture does.
    const size_t sharedLine = server_->bytesPerLine();
    for (int row = 0; row < from.height(); ++row) {
        const auto* source = reinterpret_cast<const QRgb*>(sprite.constScanLine(from.y() + row)) + from.x();
        auto* target = reinterpret_cast<QRgb*>(shared + size_t(to.y() + row) * sharedLine) + to.x();
        for (int x = 0; x < from.width(); ++x) {
            if (qAlpha(source[x]) != 0)
                target[x] = source[x];
        }
    }
}

void Playfield::renderPicture(size_t index, int scale)
{
    const PictureBox& picture = *pictures_[index];
    RenderedPicture& rendered = renderedPictures_[index];
    const QRect& place = picture.pixelRect();
    const QSize size = place.size() * scale;
    if (rendered.image.size() != size) {
        rendered.image = QImage(size, QImage::Format_ARGB32_Premultiplied);
        rendered.image.setDevicePixelRatio(scale);
    }
    rendered.image.fill(Qt::transparent);
    QPainter painter(&rendered.image);
    painter.translate(-place.topLeft());
    picture.paint(painter);
    painter.end();
    rendered.made = true;
    rendered.version = picture.imageVersion();
}

void Playfield::forwardKey(const QKeyEvent& event)
{
    const int16_t code = VirtualKeys::keyCode(event);
    if (code != 0 && onKey_)
        onKey_(code, VirtualKeys::shiftState(event));
}

void Playfield::keyPressEvent(QKeyEvent* event)
{
    // Held keys repeat: every auto-repeated press is one more press.
    forwardKey(*event);
    event->accept();
}

bool Playfield::focusNextPrevChild(bool)
{
    // Tab is a key of the game like any other; the focus stays on the field.
    return false;
}

void Playfield::resizeEvent(QResizeEvent*) { placeLayer(); }

bool Playfield::event(QEvent* event)
{
    if (event->type() == Twips::zoomChangeEvent())
        drawAtZoom();
    return QWidget::event(event);
}

void Playfield::drawAtZoom()
{
    // The sprite sheets first: the other pictures copy from them.
    for (const bool sheets : {true, false}) {
        for (size_t i = 0; i < pictureCount_; ++i) {
            if (pictures_[i]->drawnBySelf() == sheets)
                pictures_[i]->drawAtZoom();
        }
    }
    renderedPictures_.fill(RenderedPicture{});
    changedCount_ = 0;
    backgroundStale_ = true;
    placeLayer();
    update();
}

void Playfield::placeLayer()
{
    // The layer spans the rows the labels and buttons stand in; below them the field's
    // own paint shows the pictures as they are.
    int bottom = 0;
    for (QObject* child : children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (control && control != layer_)
            bottom = std::max(bottom, control->geometry().bottom() + 1);
    }
    layer_->setGeometry(0, 0, width(), bottom);
}

void Playfield::paintEvent(QPaintEvent* event)
{
    if (!renderingBackground_)
        backgroundStale_ = true;
    // Only the changed rectangles: their bounding box may span the whole field.
    const QRegion& area = event->region();
    QPainter painter(this);
    const QBrush& background = palette().brush(backgroundRole());
    for (const QRect& part : area)
        painter.fillRect(part, background);
    for (const LineControl* line : lines_) {
        const QRect drawn = lineRect(*line);
        if (area.intersects(drawn))
            painter.fillRect(drawn, line->BorderColor);
    }
    paintPictures(painter, area);
}

void Playfield::paintPictures(QPainter& painter, const QRegion& area) const
{
    if (renderingBackground_)
        return;
    for (size_t i = 0; i < pictureCount_; ++i) {
        const PictureBox& picture = *pictures_[i];
        if (picture.Visible() && area.intersects(picture.pixelRect()))
            picture.paint(painter);
    }
}

bool Playfield::pictureCovers(QPoint fieldPixel) const
{
    for (size_t i = 0; i < pictureCount_; ++i) {
        const PictureBox& picture = *pictures_[i];
        if (picture.Visible() && picture.pixelRect().contains(fieldPixel))
            return true;
    }
    return false;
}

bool Playfield::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == layer_ && event->type() == QEvent::Paint) {
        // The layer stands at the field's top left corner: its pixels are the field's.
        QPainter painter(layer_);
        paintPictures(painter, static_cast<QPaintEvent*>(event)->region());
        return true;
    }
    if (event->type() == QEvent::Paint && !renderingBackground_ && watched->parent() == this)
        backgroundStale_ = true;
    // What the window system shows again comes from Qt's store, where the moving pictures
    // were never painted: the field paints itself anew.
    if (event->type() == QEvent::Expose && watched == watchedWindow_ && server_)
        update();
    const bool press = event->type() == QEvent::MouseButtonPress
        || event->type() == QEvent::MouseButtonDblClick;
    if (press && watched == watchedWindow_)
        return clickCaughtByPicture(*static_cast<QMouseEvent*>(event));
    return QWidget::eventFilter(watched, event);
}
