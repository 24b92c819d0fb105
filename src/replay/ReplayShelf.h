// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the replays of the top ten lie: beside the hive, in $XDG_DATA_HOME/crawlix/replays/,
// one file per entry, named after the entry's rank, name and score ("01-Ada-10.crawlix-replay").
// The file itself holds the name and score it was written for.
//
// The shelf is told, never guesses: an entry written into the list at a rank moves the files
// of that rank and below one rank down (the tenth leaves with its entry) and its game is
// written at its rank; a list stored empty takes every file with it. A list that could not
// be read or written moves nothing. The shelf touches only its own files: the replays, and
// the temporary files it writes them through, named after this process.

#include <QString>

struct Replay;

namespace ReplayShelf {

QString folder();

// An entry was written into the list at rank (1 to 10), under the name as the list holds
// it: the files of its rank and below move down with their entries, and the game, when
// there is one, is written at the rank.
void enter(int rank, const Replay* game, const QString& listedName);
// The empty list was stored: every replay goes.
void clear();

// The replay files kept for a rank (1 to 10), in name order; normally one, or none.
QStringList filesOfRank(int rank);
// The rank a replay file's name gives, or 0.
int rankOfFile(const QString& path);

} // namespace ReplayShelf
