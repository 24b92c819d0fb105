// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ZoomKeys.h"

#include "app/Forms.h"
#include "game/GameForm.h"
#include "options/StoredZoom.h"
#include "platform/Twips.h"

#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

namespace {
bool isGameWindow(const QObject* object)
{
    const auto* widget = qobject_cast<const QWidget*>(object);
    return widget && qobject_cast<const GameForm*>(widget->window());
}
} // namespace

ZoomKeys::ZoomKeys()
{
    std::optional<int> percent = StoredZoom::read();
    if (!percent) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        percent = screen ? StoredZoom::fitting(screen->availableGeometry().size()) : Twips::DesignZoom;
    }
    Twips::setZoom(*percent);
}

bool ZoomKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress)
        return handleKey(watched, *static_cast<QKeyEvent*>(event));
    // Another of the game's windows coming up (the options after the game, the top ten)
    // finds the game window back at its own zoom and place.
    if (event->type() == QEvent::Show && fullScreen_.active()) {
        const auto* widget = qobject_cast<const QWidget*>(watched);
        if (widget && widget->isWindow() && !isGameWindow(widget) && !qobject_cast<const QDialog*>(widget)
            && widget->windowType() != Qt::Popup && widget->windowType() != Qt::ToolTip)
            fullScreen_.leave();
    }
    return false;
}

bool ZoomKeys::handleKey(QObject* watched, const QKeyEvent& key)
{
    const Qt::KeyboardModifiers chord = key.modifiers() & ~Qt::KeypadModifier;
    const bool control = chord == Qt::ControlModifier || chord == (Qt::ControlModifier | Qt::ShiftModifier);
    const bool toFullScreen = (key.key() == Qt::Key_F11 && chord == Qt::NoModifier)
        || (key.key() == Qt::Key_F && chord == (Qt::ControlModifier | Qt::ShiftModifier));
    if (toFullScreen) {
        if (!key.isAutoRepeat() && isGameWindow(watched))
            fullScreen_.toggle(static_cast<GameForm*>(static_cast<QWidget*>(watched)->window()));
        return isGameWindow(watched);
    }
    int percent = 0;
    if (control && (key.key() == Qt::Key_Plus || key.key() == Qt::Key_Equal))
        percent = Twips::zoom() + Twips::ZoomStep;
    else if (control && key.key() == Qt::Key_Minus)
        percent = Twips::zoom() - Twips::ZoomStep;
    else if (control && key.key() == Qt::Key_0)
        percent = Twips::DesignZoom;
    else
        return false;
    // Full screen has the zoom that fits the screen; the keys wait until it is left.
    if (!fullScreen_.active())
        zoomTo(std::clamp(percent, Twips::DesignZoom, Twips::LargestZoom));
    return true;
}

void ZoomKeys::zoomTo(int percent)
{
    if (percent != Twips::zoom())
        ZoomAllWindows(percent);
    StoredZoom::write(percent);
}
