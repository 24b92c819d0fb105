// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program-wide state of the game and the helpers every window shares. These live from
// program start to program end; the windows hold only their controls.

#include <QString>
#include <array>
#include <cstdint>
#include <memory>

class RegAgent;

// Booleans are 16-bit: True is -1 (all bits set), False is 0.
using VbBool = int16_t;
constexpr VbBool True = -1;
constexpr VbBool False = 0;

// --- Game state ---
extern int32_t Level;
extern int32_t Points;
extern int32_t ReadyCount;
extern QString StartLevelText;
extern QString StillBombsText;
extern VbBool GodSoundPlayed;

// --- Options and music ---
extern QString MusicOption;
extern int32_t SongNumber;
extern QString SongFile;
extern VbBool FirstRun;

// --- The top ten in memory ---
struct TopEntry {
    QString Name;
    QString Score;
};
constexpr int TopRanks = 10;
extern std::array<TopEntry, TopRanks> TopList;

// --- Registry access ---
// The agent of the most recent ReadRegValue or WriteRegValue; each call replaces it.
extern std::unique_ptr<RegAgent> RegObj;

// Reads one value into a fresh RegObj; take RegObj->KeyValue() before the next call.
void ReadRegValue(const QString& KeyPath, const QString& ValueName);
// Writes one value through a fresh RegObj. Numbers are stored as decimal text.
void WriteRegValue(const QString& KeyPath, const QString& ValueName, const QString& Value);
void WriteRegValue(const QString& KeyPath, const QString& ValueName, int32_t Value);
void WriteRegValue(const QString& KeyPath, const QString& ValueName, double Value);
// The text of RegObj after a read (empty when there is no RegObj yet).
QString RegObjValue();
// After a read: the store was read and holds no such value. False when it could not be
// read, so that nothing is written over a value that may well be there.
bool RegObjAbsent();

// After a read: the store could not be read (another program's lock, damage, no usable
// file), as opposed to a value read or found absent.
bool RegObjUnreadable();

// After a write: the value was stored.
bool RegObjWritten();

// The top ten's registry key (the options' is in options/OptionNames.h).
inline const QString TopTenKey = QStringLiteral("\\Software\\Crawlix\\Top Ten List");

// --- Overlap test ---
// True when both rectangles are non-empty and share area; right and bottom edges are
// exclusive, so rectangles that only touch do not overlap.
VbBool RectsOverlap(int32_t left1, int32_t top1, int32_t right1, int32_t bottom1,
                    int32_t left2, int32_t top2, int32_t right2, int32_t bottom2);

// --- Checked 32-bit arithmetic ---
// An overflow is a run-time error that ends the program, never undefined behaviour.
int32_t CheckedAdd(int32_t a, int32_t b);
int32_t CheckedMul(int32_t a, int32_t b);

// Resets every program-wide variable to its start value (for tests).
void ResetDeclarations();
