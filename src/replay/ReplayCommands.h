// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two commands of the replays: `crawlix --verify [FILE]`, a headless program of its
// own that plays the kept replays again and tells whether each proves its entry's score,
// and the reading of the replay that `crawlix --replay RANK|FILE` watches.

#include "replay/Replay.h"

#include <QString>

#include <optional>

namespace ReplayCommands {

// The exit statuses of --verify.
constexpr int Proven = 0;    // no replay differs from its entry
constexpr int NotProven = 1; // one differs, or the one FILE cannot be read
constexpr int CannotTell = 2; // the list cannot be read

// Verifies every kept replay, or the one FILE; prints a line per entry and gives the exit
// status. A kept file that cannot be read is said so and counts as no replay.
int verify(int argc, char* argv[], const QString& file);

// The replay to watch: a top ten rank (1 to 10) or a file. Nothing, with one line saying
// why, when there is none to watch.
std::optional<Replay> replayToWatch(const QString& rankOrFile);

} // namespace ReplayCommands
