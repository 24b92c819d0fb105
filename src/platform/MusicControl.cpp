// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MusicControl.h"

#include "platform/PlayASound.h"
#include "sound/SoundModule.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <bitset>

namespace {
// What keeps the songs silent before they reach the sound module; each is said once a run.
enum class Silence { SongFile, SoundFont, Kinds };
std::bitset<std::size_t(Silence::Kinds)> said;

void sayWhy(Silence kind, const QString& why)
{
    if (said.test(std::size_t(kind)))
        return;
    said.set(std::size_t(kind));
    QTextStream(stderr) << "crawlix: no sound: " << why << Qt::endl;
}

// Whether the song and its soundfont are there; when not, says which is missing.
bool present(const QString& song, const QString& soundFont)
{
    if (!QFileInfo(song).isFile()) {
        sayWhy(Silence::SongFile, QStringLiteral("no song file %1").arg(song));
        return false;
    }
    if (!QFileInfo::exists(soundFont)) {
        sayWhy(Silence::SoundFont, QStringLiteral("no soundfont %1 for the songs"
                                                  " (Debian's timgm6mb-soundfont puts it there)")
                                       .arg(soundFont));
        return false;
    }
    return true;
}

bool isCommand(const QString& command, const char* name)
{
    return command.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}
} // namespace

MusicControl::~MusicControl() { stop(); }

void MusicControl::setCommand(const QString& command)
{
    if (isCommand(command, "Open")) {
        openedFile_ = fileName_;
        opened_ = true;
    } else if (isCommand(command, "Play") || isCommand(command, "prev")) {
        start();
    } else if (isCommand(command, "Stop")) {
        stop();
    } else if (isCommand(command, "Close")) {
        stop();
        opened_ = false;
    }
}

void MusicControl::start()
{
    SoundModule* sound = Audio::sound();
    if (!opened_ || !sound)
        return;
    const QString file = Audio::localPath(openedFile_);
    // "Play" followed at once by "prev": the song has not started yet, so it will begin at
    // the top anyway; loading it a second time would only delay it.
    if (file == songFile_ && sound->songState(song_) == SoundModule::SongState::Loading)
        return;
    // Checked here, so that a missing song or soundfont costs nothing and the
    // synthesizer has nothing to complain about on the terminal.
    const QString soundFont = Audio::soundFontPath(file);
    if (!present(file, soundFont)) {
        stop();
        return;
    }
    song_ = sound->startSong(QFile::encodeName(file).constData(),
                             QFile::encodeName(soundFont).constData());
    songFile_ = file;
}

// Only this control's own song: another control's song that took over plays on.
void MusicControl::stop()
{
    if (SoundModule* sound = Audio::sound())
        sound->stopSong(song_);
    song_ = 0;
}

bool MusicControl::playing() const
{
    SoundModule* sound = Audio::sound();
    return sound && sound->songState(song_) != SoundModule::SongState::Silent;
}
