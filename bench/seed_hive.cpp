// SPDX-License-Identifier: GPL-3.0-or-later
// Leaves the hive of $XDG_DATA_HOME as a player who saved these options leaves it, through
// the game's own store: an empty top ten and the four options, so that the game started
// next shows its title screen, not a first run's options window.
// Usage: seed_hive START_LEVEL STILL_BOMBS MUSIC_OPTION SONG_TO_PLAY [ZOOM]

#include "options/OptionNames.h"
#include "options/StoredZoom.h"
#include "scores/TopTenTable.h"
#include "shared/Declarations.h"

#include <QString>
#include <QTextStream>

#include <array>

namespace {
constexpr int OptionCount = 4;
}

int main(int argc, char** argv)
{
    if (argc != OptionCount + 1 && argc != OptionCount + 2) {
        QTextStream(stderr) << "usage: seed_hive START_LEVEL STILL_BOMBS MUSIC_OPTION SONG_TO_PLAY [ZOOM]"
                            << Qt::endl;
        return 2;
    }
    ResetTopTen();
    const std::array<QString, OptionCount> names = {StartLevelValue, StillBombsValue,
                                                    MusicOptionValue, SongToPlayValue};
    for (int i = 0; i < OptionCount; ++i) {
        WriteRegValue(OptionsKey, names[size_t(i)], QString::fromLocal8Bit(argv[i + 1]));
        if (!RegObjWritten())
            return 1;
    }
    if (argc == OptionCount + 2)
        StoredZoom::write(QString::fromLocal8Bit(argv[OptionCount + 1]).toInt());
    ReadRegValue(TopTenKey, TopTenNameValue(1));
    return RegObjValue().isEmpty() ? 1 : 0;
}
