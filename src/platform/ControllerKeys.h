// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A game controller speaks the game's own keys: what the sound module reads from the
// controllers becomes the key presses the windows already take, delivered to the window
// that has the focus as the keyboard's are (menu keys and shortcuts included). No window
// has a second set of handlers, and a replay records what it records for the keyboard.
//
// With no controller connected nothing polls: the module's descriptor wakes the reading
// when one may have been plugged in. With one connected, the controllers are read every
// tick while a level runs, and a few times a second otherwise.

#include "sound/SoundModule.h"

#include <QKeyCombination>
#include <QObject>
#include <QTimer>

#include <array>
#include <functional>

class QSocketNotifier;

class ControllerKeys : public QObject, private PadListener {
    Q_OBJECT
public:
    // What the game window is doing: Start pauses during a level and starts a new game
    // between games, and a running level wants the controllers read every tick.
    enum class Play { BetweenGames, Running, Paused };

    ControllerKeys(SoundModule& module, std::function<Play()> play, QObject* parent = nullptr);
    ~ControllerKeys() override;

    // Reads the controllers now (the watch and the timer do it when it is due).
    void read();

signals:
    // A controller in use was pulled out.
    void controllerPulledOut();

private:
    void padPressed(PadInput input) override;
    void padReleased(PadInput input) override;
    void controllerRemoved() override;
    void controllerUnusable(const char* name) override;

    void send(QKeyCombination key, bool press, bool autoRepeat);
    void repeatHeld();

    SoundModule& module_;
    std::function<Play()> play_;
    QSocketNotifier* watch_ = nullptr;
    QTimer look_;
    QTimer repeat_;
    // The key each input pressed, so its release lets go of that same key.
    std::array<QKeyCombination, PadInputCount> down_{};
    // The direction held last, which repeats as a held key does; none while it is let go.
    QKeyCombination repeating_;
};
