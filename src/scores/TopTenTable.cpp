// SPDX-License-Identifier: GPL-3.0-or-later
#include "scores/TopTenTable.h"

#include "platform/Hive.h"
#include "platform/Runtime.h"
#include "platform/Windows1252.h"
#include "shared/Declarations.h"
#include "shared/Numbers.h"

#include <array>

namespace {

const std::array<const char*, TopRanks> RankWords = {
    "One", "Two", "Three", "Four", "Five", "Six", "Seven", "Eight", "Nine", "Ten",
};
const QString EmptyName = QStringLiteral("(Available)");
constexpr int32_t EmptyScore = 0;
// A player's entry waits out another program's lock for a while before it is given up.
constexpr int EntryAttempts = 3;

TopTenWriteObserver writeObserver;

// True when the value was written.
template <typename Value>
bool writeListValue(const QString& valueName, const Value& value)
{
    WriteRegValue(TopTenKey, valueName, value);
    const bool written = RegObjWritten();
    if (writeObserver)
        writeObserver(valueName);
    return written;
}

// Whether every value of the list was read and none is there.
bool listMissing()
{
    for (int rank = 1; rank <= TopRanks; ++rank) {
        for (const QString& value : {TopTenNameValue(rank), TopTenScoreValue(rank)}) {
            ReadRegValue(TopTenKey, value);
            if (!RegObjAbsent())
                return false;
        }
    }
    return true;
}

void writeEmptyList()
{
    for (int rank = 1; rank <= TopRanks; ++rank) {
        writeListValue(TopTenNameValue(rank), EmptyName);
        writeListValue(TopTenScoreValue(rank), EmptyScore);
    }
}

// The rank (1 to 10) a score earns: below every score it does not beat; 0 for none.
int rankFor(int32_t score)
{
    const double points = score;
    for (int rank = 1; rank <= TopRanks; ++rank) {
        if (Numbers::scoreValue(TopList[size_t(rank - 1)].Score) < points)
            return rank;
    }
    return 0;
}
} // namespace

QString TopTenNameValue(int rank)
{
    return QStringLiteral("Name ") + QLatin1String(RankWords.at(size_t(rank - 1)));
}

QString TopTenScoreValue(int rank)
{
    return QStringLiteral("Score ") + QLatin1String(RankWords.at(size_t(rank - 1)));
}

void setTopTenWriteObserver(TopTenWriteObserver observer) { writeObserver = std::move(observer); }

bool LoadTopTen()
{
    std::array<TopEntry, TopRanks> read;
    for (int rank = 1; rank <= TopRanks; ++rank) {
        TopEntry& entry = read[size_t(rank - 1)];
        ReadRegValue(TopTenKey, TopTenNameValue(rank));
        entry.Name = RegObjValue();
        if (RegObjUnreadable())
            return false;
        ReadRegValue(TopTenKey, TopTenScoreValue(rank));
        entry.Score = RegObjValue();
        if (RegObjUnreadable())
            return false;
    }
    TopList = std::move(read);
    return true;
}

bool ResetTopTen()
{
    // All twenty values land together or not at all.
    const BusyCursor busy;
    HiveTransaction transaction;
    writeEmptyList();
    return transaction.commit();
}

void ResetMissingTopTen()
{
    // Looked at first without the write lock, which another program may hold; then
    // again under it, since another copy of the game may have entered a score meanwhile.
    if (!listMissing())
        return;
    HiveTransaction transaction;
    if (listMissing())
        writeEmptyList();
    transaction.commit();
}

bool InsertTopTen(const QString& NewName, int32_t score, const TopTenFiled& filed)
{
    // One insertion is one transaction: a crash halfway leaves the old list whole, and
    // the list is read again under the lock, so another copy of the game that entered a
    // score a moment ago keeps it. A read that fails in it lets nothing be written.
    // Another program's lock may hold it up for a while: the player sees the game wait.
    const BusyCursor busy;
    return Hive::transact(
        [&] {
            if (!LoadTopTen())
                return;
            const int rank = rankFor(score);
            if (rank == 0)
                return;
            bool written = true;
            for (int k = TopRanks; k > rank; --k) {
                const TopEntry& above = TopList[size_t(k - 2)];
                written = writeListValue(TopTenNameValue(k), above.Name) && written;
                written = writeListValue(TopTenScoreValue(k), above.Score) && written;
            }
            written = writeListValue(TopTenNameValue(rank), NewName) && written;
            written = writeListValue(TopTenScoreValue(rank), score) && written;
            if (written && filed)
                filed(rank, Windows1252::toUnicode(Windows1252::fromUnicode(NewName)));
        },
        EntryAttempts);
}
