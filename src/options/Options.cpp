#include "options/Options.h"

#include "platform/MusicControl.h"
#include "platform/Runtime.h"
#include "shared/Declarations.h"

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

const QString MusicOptionValue = QStringLiteral("Music Option");
const QString SongToPlayValue = QStringLiteral("Song To Play");
const QString RandomOption = QStringLiteral("Random");
const QString SingleOption = QStringLiteral("Single");
const QString NoneOption = QStringLiteral("None");

QString readOption(const QString& name)
{
    ReadRegValue(OptionsKey, name);
    return RegObjValue();
}

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

void StartMusic(MusicControl& control)
{
    if (SongNumber >= 1 && SongNumber <= SongCount)
        SongFile = runtime().appPath() + QLatin1Char('/') + QLatin1String(SongInfo(SongNumber).file);
    if (SongNumber == 0)
        return;
    control.setNotify(false);
    control.setWait(false);
    control.setFileName(SongFile);
    control.setCommand(QStringLiteral("Open"));
    control.setCommand(QStringLiteral("Play"));
    control.setCommand(QStringLiteral("prev"));
}
