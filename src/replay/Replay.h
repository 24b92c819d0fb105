// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A recorded game: what drives it from New Game to game over, which is enough to play it
// again exactly, since the game's play follows only from the tick, the keys, the buttons
// and one random generator. It is kept as a small text file:
//
//   crawlix-replay 1      the format and its version
//   name Ada              the player's name (UTF-8; "%", controls and non-ASCII as %XX)
//   score 10              the points at game over
//   level 1               the start level in effect
//   still-bombs 3         the still bombs in play, 3 to 6
//   song 0                the song that played: 0 none, 1 to 5
//   seed 2737181003       the random generator's seed at the game window's load
//   draws 1               the numbers it had drawn before New Game
//   events 4              how many event lines follow
//   0 key 69              each event: the ticks run since the event before, then
//   120 key 38              key CODE     a key press (Windows virtual-key code)
//   0 box 2310              box MS       the congratulation box closed, MS after the win
//   80 kill                 pause        Pause or Unpause pressed (button or key)
//   0 end                   focus-pause  the game paused as the window lost the focus
//                           kill         Self Distruct pressed
//                           end          game over (always the last event)
//
// Lines starting with "#" are comments. A file that breaks any rule or limit is refused
// whole, with one line saying why.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

struct ReplayEvent {
    enum class Kind : uint8_t { Key, Pause, FocusPause, Kill, Box, End };
    uint32_t ticks = 0; // ticks run since the event before
    Kind kind = Kind::End;
    int32_t value = 0;  // the key code, or the box's milliseconds
};

struct Replay {
    static constexpr int FormatVersion = 1;
    // The limits a file is held to: a day of play, and far more events and draws than any
    // real game makes.
    static constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;
    static constexpr uint32_t MaxEvents = 1'000'000;
    static constexpr uint64_t MaxTicks = 24ull * 60 * 60 * 1000 / 15;
    static constexpr uint64_t MaxDraws = 100'000'000;
    static constexpr int32_t MaxBoxMs = 60 * 60 * 1000;
    // A name as written (each byte of a non-ASCII letter takes three): far beyond any typed.
    static constexpr int MaxNameBytes = 1024 * 1024;

    QString name;
    int32_t score = 0;
    int32_t level = 0;
    int32_t stillBombs = 3;
    int32_t song = 0;
    uint32_t seed = 0;
    uint64_t draws = 0;
    std::vector<ReplayEvent> events;

    QByteArray toText() const;
    // Reads a replay from text; false with the reason in one line when it is refused.
    bool fromText(const QByteArray& text, QString* refusal);
    // The same from a file, which is not read at all when it is too large.
    bool load(const QString& path, QString* refusal);
};
