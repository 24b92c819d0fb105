// SPDX-License-Identifier: GPL-3.0-or-later
// The wave sound effects: played at once, one at a time, silent when anything is missing.
#include "AudioFixtures.h"
#include "ScriptedRuntime.h"
#include "platform/GameFiles.h"
#include "platform/MusicControl.h"
#include "platform/PlayASound.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <SDL.h>
#include <SDL_mixer.h>

#include <csignal>
#include <memory>

namespace {
constexpr int EffectChannel = 0;
constexpr int DeviceTimeoutMs = 20000;

// The length of the effect now on the channel, in seconds of the open device.
double secondsOnChannel()
{
    const Mix_Chunk* chunk = Mix_GetChunk(EffectChannel);
    return chunk ? double(chunk->alen) / AudioFixtures::bytesPerSecond() : 0.0;
}

// The threads SDL runs while a playback device is open.
int audioThreads()
{
    int count = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(tasks.filePath(task + QStringLiteral("/comm")));
        if (name.open(QIODevice::ReadOnly) && name.readAll().startsWith("SDLAudioP"))
            ++count;
    }
    return count;
}

// No audio thread, and SDL's audio let go of, whose drivers may keep threads of their own.
bool audioAsleep() { return audioThreads() == 0 && SDL_WasInit(SDL_INIT_AUDIO) == 0; }

// Seconds from the first to the last sounding sample of 16-bit stereo.
double soundingSeconds(const QByteArray& pcm)
{
    const auto* samples = reinterpret_cast<const qint16*>(pcm.constData());
    const qsizetype count = pcm.size() / qsizetype(sizeof(qint16));
    qsizetype first = 0;
    while (first < count && samples[first] == 0)
        ++first;
    qsizetype last = count - 1;
    while (last > first && samples[last] == 0)
        --last;
    return double(last - first) * double(sizeof(qint16)) / AudioFixtures::bytesPerSecond();
}
} // namespace

class SoundEffects : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void aMissingOrBrokenFilePlaysNothing();
    void aSecondSoundCutsOffTheFirst();
    void aBareNameIsLookedForInTheWorkingDirectoryThenBesideTheProgramThenInTheDataFolder();
    void aSoundThatChangedOnDiskIsHeardAsItIsNow();
    void aBackslashTailFromTheProgramFolderIsFound();
    void withoutAnAudioDeviceEverythingIsAHarmlessNoOp();
    void closingStopsTheEffectAndMayBeRepeated();
    void openingTheAudioLeavesTerminationSignalsAlone();
    void theDeviceClosesSoonAfterTheLastSoundAndOpensAgainForTheWholeOfTheNext();

private:
    QString file(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    QString startDir_;
    std::unique_ptr<ScopedScriptedRuntime> scripted_;
};

void SoundEffects::initTestCase()
{
    QVERIFY(dir_.isValid());
    startDir_ = QDir::currentPath();
    scripted_ = std::make_unique<ScopedScriptedRuntime>();
    QVERIFY(AudioFixtures::writeToneWave(file("long.wav"), 3.0));
    QVERIFY(AudioFixtures::writeToneWave(file("short.wav"), 1.0));
}

void SoundEffects::init()
{
    QDir::setCurrent(startDir_);
    scripted_->services.applicationPath = dir_.path();
    if (!Audio::isOpen())
        QVERIFY(AudioFixtures::reopenWithDriver("dummy"));
    PlaySoundFile(QString()); // nothing left playing from the test before
}

void SoundEffects::cleanupTestCase()
{
    Audio::close();
    QDir::setCurrent(startDir_);
}

void SoundEffects::aMissingOrBrokenFilePlaysNothing()
{
    PlaySoundFile(file("nowhere.wav"));
    QCOMPARE(Mix_Playing(-1), 0);

    QFile broken(file("broken.wav"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("RIFF this is no wave at all");
    broken.close();
    PlaySoundFile(file("broken.wav"));
    QCOMPARE(Mix_Playing(-1), 0);

    PlaySoundFile(file("short.wav"));
    QCOMPARE(Mix_Playing(EffectChannel), 1); // the broken ones left the channel usable
}

void SoundEffects::aSecondSoundCutsOffTheFirst()
{
    PlaySoundFile(file("long.wav"));
    QCOMPARE(Mix_Playing(EffectChannel), 1);
    QVERIFY(qAbs(secondsOnChannel() - 3.0) < 0.05);

    PlaySoundFile(file("short.wav"));
    QCOMPARE(Mix_Playing(-1), 1); // one channel, and it holds the second sound only
    QVERIFY(qAbs(secondsOnChannel() - 1.0) < 0.05);
}

void SoundEffects::aBareNameIsLookedForInTheWorkingDirectoryThenBesideTheProgramThenInTheDataFolder()
{
    QVERIFY(QDir(dir_.path()).mkpath("cwd"));
    QVERIFY(QDir(dir_.path()).mkpath("program"));
    QVERIFY(AudioFixtures::writeToneWave(file("cwd/boom.wav"), 1.0));
    QVERIFY(AudioFixtures::writeToneWave(file("program/boom.wav"), 2.0));
    scripted_->services.applicationPath = file("program");
    QVERIFY(QDir::setCurrent(file("cwd")));

    PlaySoundFile(QStringLiteral("boom.wav"));
    QCOMPARE(Mix_Playing(EffectChannel), 1);
    QVERIFY(qAbs(secondsOnChannel() - 1.0) < 0.05);

    QVERIFY(QFile::remove(file("cwd/boom.wav")));
    PlaySoundFile(QStringLiteral("boom.wav"));
    QCOMPARE(Mix_Playing(EffectChannel), 1);
    QVERIFY(qAbs(secondsOnChannel() - 2.0) < 0.05);

    // Installed, the sounds lie in the data folder, found from the program's own folder.
    const QDir data(GameFiles::dataFolder());
    QVERIFY(data.path().startsWith(dir_.path() + QLatin1Char('/')));
    QVERIFY(data.mkpath(QStringLiteral(".")));
    QVERIFY(AudioFixtures::writeToneWave(data.filePath(QStringLiteral("boom.wav")), 3.0));
    PlaySoundFile(QStringLiteral("boom.wav"));
    QVERIFY(qAbs(secondsOnChannel() - 2.0) < 0.05);

    QVERIFY(QFile::remove(file("program/boom.wav")));
    PlaySoundFile(QStringLiteral("boom.wav"));
    QCOMPARE(Mix_Playing(EffectChannel), 1);
    QVERIFY(qAbs(secondsOnChannel() - 3.0) < 0.05);

    QVERIFY(QFile::remove(data.filePath(QStringLiteral("boom.wav"))));
    PlaySoundFile(QStringLiteral("boom.wav"));
    QCOMPARE(Mix_Playing(-1), 0);
}

void SoundEffects::aSoundThatChangedOnDiskIsHeardAsItIsNow()
{
    QVERIFY(AudioFixtures::writeToneWave(file("changing.wav"), 1.0));
    PlaySoundFile(file("changing.wav"));
    QVERIFY(qAbs(secondsOnChannel() - 1.0) < 0.05);

    QVERIFY(AudioFixtures::writeToneWave(file("changing.wav"), 2.0));
    PlaySoundFile(file("changing.wav"));
    QVERIFY(qAbs(secondsOnChannel() - 2.0) < 0.05);
}

void SoundEffects::aBackslashTailFromTheProgramFolderIsFound()
{
    const QString windowsStyle = dir_.path() + QStringLiteral("\\short.wav");
    QCOMPARE(Audio::localPath(windowsStyle), file("short.wav"));
    PlaySoundFile(windowsStyle);
    QCOMPARE(Mix_Playing(EffectChannel), 1);
}

void SoundEffects::withoutAnAudioDeviceEverythingIsAHarmlessNoOp()
{
    QVERIFY(!AudioFixtures::reopenWithDriver("no-such-driver"));
    QVERIFY(!Audio::isOpen());
    PlaySoundFile(file("short.wav"));
    PlaySoundFile(QStringLiteral("short.wav"));

    QVERIFY(AudioFixtures::writeTestSong(file("song.mid"), 2));
    MusicControl music;
    music.setFileName(file("song.mid"));
    music.setCommand("Open");
    music.setCommand("Play");
    QVERIFY(!music.playing());
    Audio::close();
    QVERIFY(AudioFixtures::reopenWithDriver("dummy")); // and a later open still works
}

void SoundEffects::closingStopsTheEffectAndMayBeRepeated()
{
    PlaySoundFile(file("long.wav"));
    QCOMPARE(Mix_Playing(EffectChannel), 1);
    Audio::close();
    QVERIFY(!Audio::isOpen());
    Audio::close();
    PlaySoundFile(file("long.wav"));
    QVERIFY(Audio::open());
    QVERIFY(Audio::open());
    QCOMPARE(Mix_Playing(-1), 0);
}

void SoundEffects::openingTheAudioLeavesTerminationSignalsAlone()
{
    // Ctrl+C in a terminal and TERM at logout must still end the game, so the signals keep
    // the system's default action (the test harness's own handlers are put back after).
    Audio::close();
    for (int signal : {SIGINT, SIGTERM}) {
        struct sigaction harness = {};
        struct sigaction systemDefault = {};
        systemDefault.sa_handler = SIG_DFL;
        QCOMPARE(sigaction(signal, &systemDefault, &harness), 0);
        const bool opened = Audio::open();
        struct sigaction afterOpen = {};
        sigaction(signal, &harness, &afterOpen);
        Audio::close();
        QVERIFY(opened);
        QVERIFY(afterOpen.sa_handler == SIG_DFL);
    }
}

void SoundEffects::theDeviceClosesSoonAfterTheLastSoundAndOpensAgainForTheWholeOfTheNext()
{
    // Nothing sounding, no audio thread wakes; SDL's disk driver starts its file afresh at
    // every opening, so the file holds what was played since the last one.
    const QString output = file("disk.raw");
    QVERIFY(AudioFixtures::reopenOnDisk(output));
    PlaySoundFile(file("short.wav"));
    QTRY_COMPARE_WITH_TIMEOUT(audioThreads(), 1, DeviceTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(audioAsleep(), DeviceTimeoutMs);

    PlaySoundFile(file("short.wav"));
    QTRY_COMPARE_WITH_TIMEOUT(audioThreads(), 1, DeviceTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(audioAsleep(), DeviceTimeoutMs);
    QFile played(output);
    QVERIFY(played.open(QIODevice::ReadOnly));
    const double seconds = soundingSeconds(played.readAll());
    QVERIFY2(qAbs(seconds - 1.0) < 0.01, qPrintable(QStringLiteral("%1 s heard").arg(seconds)));
    QVERIFY(AudioFixtures::reopenWithDriver("dummy"));
}

QTEST_GUILESS_MAIN(SoundEffects)
#include "test_sound.moc"
