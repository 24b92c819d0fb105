// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PlayASound.h"

#include "platform/GameFiles.h"
#include "platform/SoundLibrary.h"
#include "sound/SoundModule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
// The build cuts Debian's TimGM6mb down to what the songs play and puts it beside them:
// loaded, it takes a fraction of the whole soundfont's memory and sounds the same.
constexpr const char* SongsSoundFont = "songs.sf2";
constexpr const char* DefaultSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

struct AudioState {
    SoundModule* module = nullptr; // while open
    QString soundFont; // empty: the one beside the songs, or else the whole TimGM6mb
};
AudioState audio;

bool hasFolder(const QString& path)
{
    return path.contains(QLatin1Char('/')) || path.contains(QLatin1Char('\\'));
}
} // namespace

namespace Audio {

bool open()
{
    if (audio.module)
        return true;
    SoundModule* module = SoundLibrary::load();
    if (!module || !module->open())
        return false;
    audio.module = module;
    return true;
}

void close()
{
    if (!audio.module)
        return;
    audio.module->close();
    audio.module = nullptr;
}

bool isOpen() { return audio.module != nullptr; }

SoundModule* sound() { return audio.module; }

void setSoundFontPath(const QString& path)
{
    audio.soundFont = path;
}

QString soundFontPath(const QString& song)
{
    if (!audio.soundFont.isEmpty())
        return audio.soundFont;
    const QFileInfo cut(GameFiles::dataFile(QLatin1String(SongsSoundFont)));
    // A song the player put in place after the build may want instruments the cut-down
    // soundfont left out.
    const bool madeForTheSong =
        song.isEmpty() || QFileInfo(song).lastModified() <= cut.lastModified();
    return cut.isFile() && madeForTheSong ? cut.filePath() : QString::fromLatin1(DefaultSoundFont);
}

QString localPath(const QString& path)
{
    if (path.isEmpty())
        return path;
    if (!hasFolder(path)) {
        const QString inWorkingDir = QDir::current().filePath(path);
        if (QFileInfo::exists(inWorkingDir))
            return inWorkingDir;
        return GameFiles::dataFile(path);
    }
    if (QFileInfo::exists(path) || !path.contains(QLatin1Char('\\')))
        return path;
    QString slashed = path;
    slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QFileInfo::exists(slashed) ? slashed : path;
}

} // namespace Audio

void PlaySoundFile(const QString& path)
{
    if (audio.module)
        audio.module->playEffect(QFile::encodeName(Audio::localPath(path)).constData());
}
