// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game's recorder. While a game runs, from New Game to game over, it notes what drives
// it: the random generator's position and the options in effect at New Game, then every
// input that reaches the rules with the ticks run before it. The game window tells it of
// each such input; a tick costs it one increment, and its list of events is reserved up
// front, so play allocates nothing for it.
//
// While a replay plays, the same calls let through only what the replay does itself: the
// player's keys, clicks and focus changes do nothing then. Each call that returns a bool
// says whether the window is to go on with what it was doing.

#include <cstdint>

class GameForm;
class Playback;
class QString;
struct Replay;

namespace GameRecording {

bool newGame(const GameForm& form);
bool tick();
bool key(int16_t keyCode);
bool pause();
bool focusPause();
bool kill();
// The congratulation box was closed; the cheer that came before it started then.
void boxClosed(double cheerStarted);
void gameOver();

// A replay is playing: nothing of it enters the top ten.
bool playingBack();

// The game that ended last, recorded from New Game to game over; null when there is none
// (or a game is running).
const Replay* finishedGame();

// The replay that plays from now on, or null for the player's own games again.
void setPlayback(Playback* playback);

} // namespace GameRecording
