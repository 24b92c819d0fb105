// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two commands of the replays: `crawlix --verify [FILE]`, which plays the kept replays
// again without a display and tells whether each proves its entry's score, and
// `crawlix --replay RANK|FILE`, which plays one in the game window.

#include <QString>

#include <optional>

class GameForm;

namespace ReplayCommands {

// Verifies every kept replay, or the one FILE; prints a line per entry and gives the exit
// status: 0 when no replay differs from its entry, 1 otherwise (or when the one FILE
// cannot be read). A kept file that cannot be read is said so and counts as no replay.
int verify(int argc, char* argv[], const QString& file);

// Reads the replay to watch: a top ten rank (1 to 10) or a file. Nothing when it is there
// to be watched; otherwise one line says why and the exit status is given.
std::optional<int> chooseReplay(const QString& rankOrFile);

// A replay was chosen to be watched.
bool replayChosen();
// Plays the chosen replay in the loaded game window; Escape asks for the program's end.
void watch(GameForm& form);

} // namespace ReplayCommands
