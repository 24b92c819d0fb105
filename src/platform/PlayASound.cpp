#include "platform/PlayASound.h"

#include "platform/MusicControl.h"
#include "platform/Runtime.h"
#include "platform/SoundLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
constexpr int MixFrequency = 44100;
constexpr int MixChannels = 2;
// About 23 ms a buffer: short enough that an effect is heard on the key press that asked
// for it, long enough that the synthesiser never stutters on a busy machine.
constexpr int MixBufferFrames = 1024;
// Effects share one mixing channel, so a new one cuts off the one still playing, as the
// game has always sounded.
constexpr int EffectChannels = 1;
constexpr int EffectChannel = 0;
constexpr int PlayOnce = 0;
// The effects peak at about -1 dBFS in their files; mixed at a third of full volume they
// stay clear of full scale on top of the loudest moment of any song.
constexpr int EffectVolume = 44;
// The build cuts Debian's TimGM6mb down to what the songs play and puts it beside them:
// loaded, it takes a fraction of the whole soundfont's memory and sounds the same.
constexpr const char* SongsSoundFont = "songs.sf2";
constexpr const char* DefaultSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

struct AudioState {
    bool open = false;
    Mix_Chunk* effect = nullptr;
    QString soundFont; // empty: the one beside the songs, or else the whole TimGM6mb
};
AudioState audio;

void stopEffect()
{
    sound().Mix_HaltChannel(EffectChannel);
    if (audio.effect) {
        sound().Mix_FreeChunk(audio.effect);
        audio.effect = nullptr;
    }
}

bool hasFolder(const QString& path)
{
    return path.contains(QLatin1Char('/')) || path.contains(QLatin1Char('\\'));
}
} // namespace

namespace Audio {

bool open()
{
    if (audio.open)
        return true;
    if (!SoundLibrary::load())
        return false;
    // A Ctrl+C or a TERM from the desktop must still end the game; SDL would otherwise
    // turn them into events nobody here reads.
    sound().SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (sound().SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    if (sound().Mix_OpenAudio(MixFrequency, MIX_DEFAULT_FORMAT, MixChannels, MixBufferFrames) != 0) {
        sound().SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    sound().Mix_AllocateChannels(EffectChannels);
    sound().Mix_Volume(EffectChannel, EffectVolume);
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    sound().Mix_QuerySpec(&frequency, &format, &channels);
    MusicControl::attachSequencer(frequency, channels);
    audio.open = true;
    return true;
}

void close()
{
    if (!audio.open)
        return;
    MusicControl::closeSequencer();
    stopEffect();
    sound().Mix_CloseAudio();
    sound().SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audio.open = false;
}

bool isOpen() { return audio.open; }

void setSoundFontPath(const QString& path)
{
    audio.soundFont = path;
}

QString soundFontPath(const QString& song)
{
    if (!audio.soundFont.isEmpty())
        return audio.soundFont;
    const QFileInfo cut(QDir(runtime().appPath()).filePath(QLatin1String(SongsSoundFont)));
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
        return QDir(runtime().appPath()).filePath(path);
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
    if (!audio.open)
        return;
    // The old chunk may only be freed once the mixer has let go of it.
    stopEffect();
    const QString file = Audio::localPath(path);
    if (file.isEmpty())
        return;
    // The effects are tiny; reading them afresh every time means a file that changed or
    // appeared since is heard as it is now.
    audio.effect = sound().Mix_LoadWAV(QFile::encodeName(file).constData());
    if (audio.effect)
        sound().Mix_PlayChannel(EffectChannel, audio.effect, PlayOnce);
}
