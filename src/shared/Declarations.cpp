// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared/Declarations.h"

#include "platform/RegAgent.h"
#include "platform/Runtime.h"
#include "shared/Numbers.h"

#include <cstdlib>

int32_t Level = 0;
int32_t Points = 0;
int32_t ReadyCount = 0;
QString StartLevelText;
QString StillBombsText;
VbBool GodSoundPlayed = False;

QString MusicOption;
int32_t SongNumber = 0;
QString SongFile;
VbBool FirstRun = False;

std::array<TopEntry, TopRanks> TopList;

std::unique_ptr<RegAgent> RegObj;

namespace {
constexpr int OverflowError = 6;

[[noreturn]] void overflow()
{
    runtime().fatalError(OverflowError, QStringLiteral("Overflow"));
    std::abort(); // fatalError never returns; this only tells the compiler so
}
} // namespace

void ReadRegValue(const QString& KeyPath, const QString& ValueName)
{
    RegObj = std::make_unique<RegAgent>();
    RegObj->setRegistryKey(KeyPath);
    RegObj->setSubKey(ValueName);
    RegObj->GetValue();
}

void WriteRegValue(const QString& KeyPath, const QString& ValueName, const QString& Value)
{
    RegObj = std::make_unique<RegAgent>();
    RegObj->setRegistryKey(KeyPath);
    RegObj->setSubKey(ValueName);
    RegObj->setKeyValue(Value);
    RegObj->SetValue();
}

void WriteRegValue(const QString& KeyPath, const QString& ValueName, int32_t Value)
{
    WriteRegValue(KeyPath, ValueName, Numbers::toText(int64_t(Value)));
}

void WriteRegValue(const QString& KeyPath, const QString& ValueName, double Value)
{
    WriteRegValue(KeyPath, ValueName, Numbers::toText(Value));
}

QString RegObjValue() { return RegObj ? RegObj->KeyValue() : QString(); }

bool RegObjAbsent() { return RegObj && RegObj->Absent(); }

bool RegObjUnreadable() { return RegObj && RegObj->Unreadable(); }

bool RegObjWritten() { return RegObj && RegObj->lastResult() == 0; }

VbBool RectsOverlap(int32_t left1, int32_t top1, int32_t right1, int32_t bottom1,
                    int32_t left2, int32_t top2, int32_t right2, int32_t bottom2)
{
    const bool empty1 = right1 <= left1 || bottom1 <= top1;
    const bool empty2 = right2 <= left2 || bottom2 <= top2;
    if (empty1 || empty2)
        return False;
    const int32_t left = left1 > left2 ? left1 : left2;
    const int32_t right = right1 < right2 ? right1 : right2;
    const int32_t top = top1 > top2 ? top1 : top2;
    const int32_t bottom = bottom1 < bottom2 ? bottom1 : bottom2;
    return (left < right && top < bottom) ? True : False;
}

int32_t CheckedAdd(int32_t a, int32_t b)
{
    int32_t sum;
    if (__builtin_add_overflow(a, b, &sum))
        overflow();
    return sum;
}

int32_t CheckedMul(int32_t a, int32_t b)
{
    int32_t product;
    if (__builtin_mul_overflow(a, b, &product))
        overflow();
    return product;
}

void ResetDeclarations()
{
    Level = 0;
    Points = 0;
    ReadyCount = 0;
    StartLevelText.clear();
    StillBombsText.clear();
    GodSoundPlayed = False;
    MusicOption.clear();
    SongNumber = 0;
    SongFile.clear();
    FirstRun = False;
    TopList = {};
    RegObj.reset();
}
