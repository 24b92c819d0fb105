// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a window asks for what lies outside it: another window shown, itself unloaded, the
// program ended. A window only says what it wants; whoever made the windows answers, at
// once and before the request returns, so "show the next window, then unload me" keeps
// its order. A window that nobody wired (one a test made on its own) asks in vain.

#include <QObject>

class HandOver : public QObject {
    Q_OBJECT
signals:
    // Show the window, loading it first when it is not loaded.
    void gameFormWanted();
    void optionsFrmWanted();
    void topTenWanted();
    // Unload the asking window: it closes and is discarded.
    void unloadWanted();
    // End the program at once: every window closes, the music stops.
    void endWanted();
};
