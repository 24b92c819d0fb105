#include "game/Playfield.h"

#include "game/VirtualKeys.h"

#include <QAbstractEventDispatcher>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace {
constexpr float TwipsPerPixel = 15.0f;
// Room for every picture of a level to move twice between two passes of the event loop.
constexpr size_t MostPictures = 16;
} // namespace

Playfield::Playfield(QWidget* parent, KeyHandler onKey)
    : QWidget(parent)
    , onKey_(std::move(onKey))
    , layer_(new QWidget(this))
{
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    // The pictures' layer lets clicks and keys through to whatever stands below it.
    layer_->setAttribute(Qt::WA_TransparentForMouseEvents);
    layer_->setFocusPolicy(Qt::NoFocus);
    layer_->installEventFilter(this);
    pictures_.reserve(MostPictures);
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
    pictures_.push_back(
        std::make_unique<PictureBox>(this, left, top, width, height, framePixels));
    // Pictures stand in front of the labels and buttons made before them.
    layer_->raise();
    return pictures_.back().get();
}

void Playfield::coverWithPictures(QWidget* control) { covered_.push_back(control); }

void Playfield::showEvent(QShowEvent*)
{
    // Clicks are looked at where the window system delivers them, before they find their
    // control; a click a test sends to a control itself goes there, as it always did.
    QWindow* window = this->window()->windowHandle();
    if (window && window != watchedWindow_) {
        watchedWindow_ = window;
        window->installEventFilter(this);
    }
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

void Playfield::invalidate(const QRect& pixels)
{
    if (pixels.isEmpty())
        return;
    // More changes than room between two passes: the last mark grows to take them in.
    if (changedCount_ == changed_.size()) {
        changed_.back() = changed_.back().united(pixels);
        return;
    }
    changed_[changedCount_++] = pixels;
}

void Playfield::repaintNow(const QRect& pixels)
{
    invalidate(pixels);
    handChangesToQt();
    // Qt paints everything marked so far, the moves of this tick with it.
    layer_->repaint(pixels);
}

void Playfield::handChangesToQt()
{
    for (size_t i = 0; i < changedCount_; ++i)
        layer_->update(changed_[i]);
    changedCount_ = 0;
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

void Playfield::resizeEvent(QResizeEvent*) { layer_->setGeometry(rect()); }

void Playfield::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (const LineControl* line : lines_) {
        painter.setPen(QPen(line->BorderColor, 0));
        painter.drawLine(QPointF(line->X1 / TwipsPerPixel, line->Y1 / TwipsPerPixel),
                         QPointF(line->X2 / TwipsPerPixel, line->Y2 / TwipsPerPixel));
    }
}

void Playfield::paintPictures(const QRect& area)
{
    QPainter painter(layer_);
    for (const auto& picture : pictures_) {
        if (picture->Visible() && picture->pixelRect().intersects(area))
            picture->paint(painter);
    }
}

bool Playfield::pictureCovers(QPoint fieldPixel) const
{
    for (const auto& picture : pictures_) {
        if (picture->Visible() && picture->pixelRect().contains(fieldPixel))
            return true;
    }
    return false;
}

bool Playfield::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == layer_ && event->type() == QEvent::Paint) {
        paintPictures(static_cast<QPaintEvent*>(event)->rect());
        return true;
    }
    const bool press = event->type() == QEvent::MouseButtonPress
        || event->type() == QEvent::MouseButtonDblClick;
    if (press && watched == watchedWindow_)
        return clickCaughtByPicture(*static_cast<QMouseEvent*>(event));
    return QWidget::eventFilter(watched, event);
}
