// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/Options.h"

#include "options/OptionNames.h"
#include "platform/GameFiles.h"
#include "platform/MusicControl.h"
#include "platform/Runtime.h"
#include "shared/Declarations.h"
#include "shared/Numbers.h"

#include <array>
#include <cmath>

namespace {
const std::array<Song, 5> Songs = {{
    {"ESM", "Enter Sandman", "esm.mid"},
    {"Horse", "The Four Horsemen", "horsemen.mid"},
    {"One", "One", "one.mid"},
    {"Orion", "Orion", "orion.mid"},
    {"Seek", "Seek And Destroy", "seek.mid"},
}};

constexpr int SongCount = int(Songs.size());
// A random song is floor(r * 6) with 0 thrown away, so each of the five comes up equally.
constexpr double RandomSpan = SongCount + 1;

// What the options window shows before any option was read.
const QString DefaultStartLevel = QStringLiteral("1");
const QString DefaultStillBombs = QStringLiteral("3");

QString readOption(const QString& name)
{
    ReadRegValue(OptionsKey, name);
    return RegObjValue();
}

// A value that could not be read keeps what is in memory, or else the window's default.
void readLevelOption(const QString& name, QString& text, const QString& fallback)
{
    const QString read = readOption(name);
    if (!RegObjUnreadable())
        text = read;
    else if (text.isEmpty())
        text = fallback;
}

bool within(const QString& text, double lowest, double highest)
{
    const double number = Numbers::leadingNumber(text);
    return number >= lowest && number <= highest;
}

// Whether the last value read is one the options window could have written. A value not
// there at all (or not read) is left to the game, which has always played without it.
bool fitOrMissing(bool fit) { return fit || RegObjAbsent() || RegObjUnreadable(); }

void drawRandomSong()
{
    runtime().doEvents();
    do {
        SongNumber = int32_t(std::floor(double(runtime().rnd()) * RandomSpan));
    } while (SongNumber == 0);
}

// An unknown key leaves the song as it was.
void pickStoredSong()
{
    const QString key = readOption(SongToPlayValue);
    for (int number = 1; number <= SongCount; ++number) {
        if (key == QLatin1String(SongInfo(number).key)) {
            SongNumber = number;
            return;
        }
    }
}
} // namespace

const Song& SongInfo(int number) { return Songs.at(size_t(number - 1)); }

void LoadOptions()
{
    MusicOption = readOption(MusicOptionValue);
    if (MusicOption == RandomOption)
        drawRandomSong();
    if (MusicOption == SingleOption)
        pickStoredSong();
    if (MusicOption == NoneOption)
        SongNumber = 0;
}

void ReadLevelOptions()
{
    readLevelOption(StartLevelValue, StartLevelText, DefaultStartLevel);
    readLevelOption(StillBombsValue, StillBombsText, DefaultStillBombs);
}

StoredOptions ReadStoredOptions()
{
    StartLevelText = readOption(StartLevelValue);
    if (RegObjUnreadable())
        return StoredOptions::Usable;
    if (RegObjAbsent())
        return StoredOptions::Missing;
    bool fit = within(StartLevelText, LowestStartLevel, HighestStartLevel);
    StillBombsText = readOption(StillBombsValue);
    fit = fitOrMissing(within(StillBombsText, FewestStillBombs, MostStillBombs)) && fit;
    MusicOption = readOption(MusicOptionValue);
    fit = fitOrMissing(MusicOption == RandomOption || MusicOption == SingleOption || MusicOption == NoneOption) && fit;
    if (MusicOption == SingleOption)
        pickStoredSong();
    return fit ? StoredOptions::Usable : StoredOptions::NeedCorrecting;
}

void StartMusic(MusicControl& control)
{
    if (SongNumber >= 1 && SongNumber <= SongCount)
        SongFile = GameFiles::dataFile(QLatin1String(SongInfo(SongNumber).file));
    if (SongNumber == 0)
        return;
    control.setNotify(false);
    control.setWait(false);
    control.setFileName(SongFile);
    control.setCommand(QStringLiteral("Open"));
    control.setCommand(QStringLiteral("Play"));
    control.setCommand(QStringLiteral("prev"));
}
