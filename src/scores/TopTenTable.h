// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The stored top ten: ten names and scores below "\Software\Crawlix\Top Ten List", and
// TopList, the copy in memory that the rest of the game reads.

#include <QString>
#include <cstdint>
#include <functional>

// The value names of a rank (1 to 10): "Name One" / "Score One" ... "Name Ten" / "Score Ten".
QString TopTenNameValue(int rank);
QString TopTenScoreValue(int rank);

// Fills TopList from storage. When the list cannot be read whole, TopList keeps what it
// held and the answer is false.
bool LoadTopTen();
// Writes the empty list: ten "(Available)" names and ten "0" scores. False when it could
// not be written (the stored list is then as it was). Another program's lock may hold it up
// for a while: the player sees the game wait.
bool ResetTopTen();
// Writes the empty list only where there is none: all twenty values were read and none
// is there. A list that could not be read is kept.
void ResetMissingTopTen();
// Called with the rank (1 to 10) an entry was written at and its name as the list holds it,
// inside the insertion's transaction, once every write of it has gone through.
using TopTenFiled = std::function<void(int rank, const QString& listedName)>;
// Enters a score with a name at its place in the stored list (the game window's
// UpdateTopten); ties go below. Only storage changes; callers reload TopList afterwards.
// False when the entry could not be stored.
bool InsertTopTen(const QString& NewName, int32_t score, const TopTenFiled& filed = {});

// Called after every value the list writes, with the value's name; null for none. Lets a
// test count the writes, or stop an insertion halfway by throwing.
using TopTenWriteObserver = std::function<void(const QString& valueName)>;
void setTopTenWriteObserver(TopTenWriteObserver observer);
