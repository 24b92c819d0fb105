// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The keys that make the game bigger or smaller, in any of its windows and at any moment
// (a level goes on as it was): Ctrl+Plus (or Ctrl+=) and Ctrl+Minus step the zoom, Ctrl+0
// goes back to the designed size; the zoom chosen is stored and used from the next start.
// F11 (or Ctrl+Shift+F) shows the game window full screen and back. Nothing is added to
// the menus.

#include "app/FullScreen.h"

#include <QObject>

class QKeyEvent;

class ZoomKeys : public QObject {
public:
    // Takes the stored zoom, or on a first start the one that fits the screen.
    ZoomKeys();

    bool eventFilter(QObject* watched, QEvent* event) override;

    FullScreen& fullScreen() { return fullScreen_; }

private:
    bool handleKey(QObject* watched, const QKeyEvent& key);
    void zoomTo(int percent);

    FullScreen fullScreen_;
};
