// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FullScreen.h"

#include "app/Forms.h"
#include "platform/Twips.h"

#include <QEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>

#include <algorithm>

void FullScreen::toggle(QMainWindow* window)
{
    if (active())
        leave();
    else
        enter(window);
}

void FullScreen::enter(QMainWindow* window)
{
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    formerZoom_ = Twips::zoom();
    formerPlace_ = window->pos();
    // The largest step at which the form (its menu bar and client area) fits the screen.
    const QSize room = screen->geometry().size();
    int percent = Twips::LargestZoom;
    for (; percent > Twips::DesignZoom; percent -= Twips::ZoomStep) {
        Twips::setZoom(percent);
        Twips::applyZoom(window);
        if (window->width() <= room.width() && window->height() <= room.height())
            break;
    }
    ZoomAllWindows(percent);
    window_ = window;
    window->setMinimumSize(0, 0);
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    window->installEventFilter(this);
    // Where no window manager takes the window to the whole screen, it is put there first;
    // a geometry set after the full-screen state would end that state.
    window->setGeometry(screen->geometry());
    window->showFullScreen();
}

void FullScreen::leave()
{
    QMainWindow* window = window_;
    if (!window)
        return;
    window_.clear();
    window->removeEventFilter(this);
    window->setContentsMargins(0, 0, 0, 0);
    if (window->isVisible())
        window->showNormal();
    ZoomAllWindows(formerZoom_);
    window->move(formerPlace_);
}

// The form (its menu bar over its client area) stands in the middle of the screen.
void FullScreen::centreContent()
{
    const QWidget* client = window_->centralWidget();
    const QSize form(client->minimumWidth(),
                     client->minimumHeight() + window_->menuBar()->sizeHint().height());
    const QSize room = window_->size();
    const int left = std::max(0, (room.width() - form.width()) / 2);
    const int top = std::max(0, (room.height() - form.height()) / 2);
    window_->setContentsMargins(left, top, std::max(0, room.width() - form.width() - left),
                                std::max(0, room.height() - form.height() - top));
}

void FullScreen::paintSurroundings()
{
    QPainter painter(window_);
    const QRegion around = QRegion(window_->rect()) - QRegion(window_->contentsRect());
    for (const QRect& part : around)
        painter.fillRect(part, Qt::black);
}

bool FullScreen::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != window_)
        return false;
    switch (event->type()) {
    case QEvent::Resize:
        centreContent();
        break;
    case QEvent::Paint:
        paintSurroundings();
        break;
    case QEvent::Hide:
        leave();
        break;
    default:
        break;
    }
    return false;
}
