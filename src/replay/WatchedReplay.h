// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A replay watched in the game window (`crawlix --replay`): the recorded game plays at its
// own speed with its own song, congratulation boxes close as long after the win as they
// stayed open in the game, and the window stays on its last picture at game over. The
// player's keys and clicks do nothing; Escape, or closing the window, ends it.

#include "replay/Playback.h"
#include "replay/PlaybackRuntime.h"

#include <QObject>
#include <QPointer>

class GameForm;

class WatchedReplay : public QObject {
public:
    // Takes over the loaded game window and starts the game in it a moment later.
    WatchedReplay(GameForm& form, Replay replay);
    ~WatchedReplay() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void begin();
    void ended();

    QPointer<GameForm> form_;
    Runtime& program_;
    PlaybackRuntime services_;
    Playback playback_;
};
