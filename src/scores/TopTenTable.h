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

// Fills TopList from storage.
void LoadTopTen();
// Writes the empty list: ten "(Available)" names and ten "0" scores.
void ResetTopTen();
// Writes the empty list only where there is none: all twenty values were read and none
// is there. A list that could not be read is kept.
void ResetMissingTopTen();
// Enters a score with a name at its place in the stored list (the game window's
// UpdateTopten). Only storage changes; callers reload TopList afterwards. False when the
// entry could not be stored.
bool InsertTopTen(const QString& NewName, int32_t score);

// Called after every value the list writes, with the value's name; null for none. Lets a
// test count the writes, or stop an insertion halfway by throwing.
using TopTenWriteObserver = std::function<void(const QString& valueName)>;
void setTopTenWriteObserver(TopTenWriteObserver observer);
