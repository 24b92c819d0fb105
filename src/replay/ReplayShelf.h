// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the replays of the top ten lie: beside the hive, in $XDG_DATA_HOME/crawlix/replays/,
// one file per entry, named after the entry's rank, name and score ("01-Ada-10.crawlix-replay").
// The file itself holds the name and score it was written for.
//
// When an entry joins the list, the folder is brought in line with the list as it now
// stands: each rank takes the file whose name and score are its own (of equal ones the
// higher rank, the older entry, keeps the higher file, and the new game comes last), the
// files are renamed to their ranks, and a file no entry takes is removed; one that cannot
// be read is put aside (".unreadable"), never deleted. Matching by what
// the files hold keeps the folder right whatever happened to the list in between (another
// copy of the game entering a score, the list cleared). Every file is written atomically;
// a replay that cannot be written costs the player nothing but one warning line.

#include <QString>

namespace ReplayShelf {

QString folder();

// The game that has just ended entered the list as `name`; TopList holds the list as it
// now stands.
void keepGame(const QString& name);
// The same when the list changed otherwise (cleared): the files of entries that left it go.
void tidy();

// The replay file kept for a rank (1 to 10), or empty text when there is none.
QString fileOfRank(int rank);
// The rank a replay file's name gives, or 0.
int rankOfFile(const QString& path);

} // namespace ReplayShelf
