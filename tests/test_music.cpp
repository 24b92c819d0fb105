// SPDX-License-Identifier: GPL-3.0-or-later
// The game window's music control: a song starts at its top in the background, plays once,
// belongs to its control, and a missing piece leaves the game silent.
#include "AudioFixtures.h"
#include "app/Forms.h"
#include "ScriptedRuntime.h"
#include "StandardErrorCapture.h"
#include "platform/MusicControl.h"
#include "platform/PlayASound.h"
#include "sound/Sounds.h"
#include "sound/Synth.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <future>
#include <memory>
#include <utility>
#include <vector>

namespace {
// Deadlines only: however busy the machine, a song has loaded, or the device has written
// what is waited for, long before.
constexpr int LoadTimeoutMs = 60000;
constexpr int StreamTimeoutMs = 120000;
constexpr int PollMs = 10;
constexpr int FrameBytes = 4;      // 16-bit stereo, as the device is opened
constexpr int AudibleLevel = 1000; // well above any dither
constexpr int HeadBytes = 8192;    // enough of a song's opening to recognise it
constexpr int FullScale = 32767;
constexpr double LoudnessWindowSeconds = 0.4;
constexpr double QuietestMedianDb = -24.0; // a healthy level for a game's background music
constexpr double LoudestMedianDb = -14.0;
constexpr int SynthRate = 22050;   // the device's 44.1 kHz halved, as the game renders
constexpr int RenderedSeconds = 30;

// What the game window's load does to start its song.
void startAsTheGameDoes(MusicControl& control, const QString& song)
{
    control.setNotify(false);
    control.setWait(false);
    control.setFileName(song);
    control.setCommand("Open");
    control.setCommand("Play");
    control.setCommand("prev");
}

// The samples SDL's disk driver has written so far.
class DiskStream {
public:
    explicit DiskStream(QString path) : path_(std::move(path)) {}

    qint64 size() const { return QFileInfo(path_).size(); }

    QByteArray readFrom(qint64 offset) const
    {
        QFile file(path_);
        if (!file.open(QIODevice::ReadOnly) || !file.seek(offset))
            return {};
        return file.readAll();
    }

    // Waits until the driver has written the given number of bytes more than now.
    bool waitForMore(qint64 bytes) const
    {
        const qint64 target = size() + bytes;
        QElapsedTimer clock;
        clock.start();
        while (size() < target) {
            if (clock.elapsed() > StreamTimeoutMs)
                return false;
            QThread::msleep(PollMs);
        }
        return true;
    }

private:
    QString path_;
};

const qint16* samples(const QByteArray& pcm) { return reinterpret_cast<const qint16*>(pcm.constData()); }

qsizetype firstSoundingFrame(const QByteArray& pcm)
{
    const qint16* s = samples(pcm);
    for (qsizetype i = 0; i < pcm.size() / 2; ++i) {
        if (s[i] != 0)
            return (i * 2 / FrameBytes) * FrameBytes;
    }
    return -1;
}

qsizetype findAligned(const QByteArray& pcm, const QByteArray& head)
{
    for (qsizetype at = 0; at + head.size() <= pcm.size(); at += FrameBytes) {
        if (std::memcmp(pcm.constData() + at, head.constData(), size_t(head.size())) == 0)
            return at;
    }
    return -1;
}

int loudest(const QByteArray& pcm)
{
    int peak = 0;
    const qint16* s = samples(pcm);
    for (qsizetype i = 0; i < pcm.size() / 2; ++i)
        peak = std::max(peak, std::abs(int(s[i])));
    return peak;
}

// Waits until the stream from `offset` on holds `length` bytes from the place `locate`
// finds, and returns them; empty when that never happens.
template <typename Locate>
QByteArray captureFrom(const DiskStream& stream, qint64 offset, qsizetype length, Locate locate)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < StreamTimeoutMs) {
        const QByteArray written = stream.readFrom(offset);
        const qsizetype at = locate(written);
        if (at >= 0 && written.size() - at >= length)
            return written.mid(at, length);
        QThread::msleep(PollMs);
    }
    return {};
}

int clippedSamples(const QByteArray& pcm)
{
    const qint16* s = samples(pcm);
    return int(std::count_if(s, s + pcm.size() / 2, [](qint16 v) { return std::abs(int(v)) >= FullScale; }));
}

// The median of the loudness of short windows, in decibels below full scale.
double medianLoudnessDb(const QByteArray& pcm, int bytesPerSecond)
{
    const qsizetype window = qsizetype(bytesPerSecond * LoudnessWindowSeconds) / 2;
    const qint16* s = samples(pcm);
    std::vector<double> levels;
    for (qsizetype at = 0; at + window <= pcm.size() / 2; at += window) {
        double energy = 0;
        for (qsizetype i = at; i < at + window; ++i)
            energy += double(s[i]) * double(s[i]);
        levels.push_back(10.0 * std::log10(std::max(energy / double(window), 1.0) / (32768.0 * 32768.0)));
    }
    if (levels.empty())
        return -200.0;
    std::nth_element(levels.begin(), levels.begin() + qsizetype(levels.size() / 2), levels.end());
    return levels[levels.size() / 2];
}

// The opening of a song as the game's synthesizer renders it with the given soundfont;
// empty when either cannot be read.
QByteArray renderSong(const QString& soundFont, const QString& song)
{
    QFile file(song);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray midi = file.readAll();
    const auto synth = Synth::load(QFile::encodeName(soundFont).toStdString(), SynthRate);
    if (!synth)
        return {};
    fluid_player_t* player = new_fluid_player(synth->get());
    QByteArray pcm;
    if (fluid_player_add_mem(player, midi.constData(), size_t(midi.size())) == FLUID_OK &&
        fluid_player_play(player) == FLUID_OK) {
        pcm.resize(qsizetype(RenderedSeconds) * SynthRate * FrameBytes);
        synth->render(int(pcm.size() / FrameBytes), reinterpret_cast<qint16*>(pcm.data()));
    }
    delete_fluid_player(player);
    return pcm;
}

QString differenceAt(const QByteArray& a, const QByteArray& b)
{
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i] != b[i])
            return QStringLiteral("first difference at byte %1 of %2").arg(i).arg(a.size());
    }
    return QStringLiteral("sizes %1 and %2").arg(a.size()).arg(b.size());
}
} // namespace

class MusicSequencer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void aRestartAfterTheWindowUnloadsBeginsAtTheTop();
    void prevWhileTheSongPlaysStartsItAgainFromTheTop();
    void theSongPlaysOnceAndIsNotStartedAgain();
    void playFollowedByPrevLoadsTheSongOnce();
    void aControlDestroyedWhileItsSongLoadsNeverStartsIt();
    void aNewControlsSongReplacesTheOldOneWhichCannotStopIt();
    void missingSongSoundfontOrBrokenFileLeaveTheGameSilent();
    void withoutAnAudioDeviceNothingPlays();
    void closingTheAudioWhileASongLoadsIsHarmless();
    void theLoudestSongWithEveryEffectOnTopNeverClipsAndSitsAtAHealthyLevel();
    void everySongSoundsTheSameWithTheSoundfontCutForTheSongs();
    void exitWhileASongIsStillLoadingEndsTheProgramAtOnce();

private:
    QString file(const QString& name) const { return dir_.filePath(name); }
    bool openOnDisk();
    QByteArray captureFirstSecond(MusicControl& control, const DiskStream& stream);

    QTemporaryDir dir_;
    std::unique_ptr<ScopedScriptedRuntime> scripted_;
    int diskRuns_ = 0;
};

void MusicSequencer::initTestCase()
{
    QVERIFY(dir_.isValid());
    scripted_ = std::make_unique<ScopedScriptedRuntime>();
    scripted_->services.applicationPath = dir_.path();
    if (!QFileInfo(Audio::soundFontPath()).isFile())
        QSKIP("the General MIDI soundfont is not installed (scripts/install-deps)");
    QVERIFY(AudioFixtures::writeTestSong(file("song.mid"), 6));
    QVERIFY(AudioFixtures::writeTestSong(file("other.mid"), 3));
    QVERIFY(AudioFixtures::writeTestSong(file("blip.mid"), 1));
}

void MusicSequencer::init()
{
    QVERIFY(Sounds::instance().waitUntilIdle(LoadTimeoutMs));
    if (!Audio::isOpen() || qgetenv("SDL_AUDIODRIVER") != "dummy")
        QVERIFY(AudioFixtures::reopenWithDriver("dummy"));
}

void MusicSequencer::cleanupTestCase() { Audio::close(); }

bool MusicSequencer::openOnDisk()
{
    return AudioFixtures::reopenOnDisk(file(QStringLiteral("disk%1.raw").arg(++diskRuns_)));
}

// Starts the song as the game does and returns the first second of it as rendered.
QByteArray MusicSequencer::captureFirstSecond(MusicControl& control, const DiskStream& stream)
{
    const qint64 before = stream.size();
    startAsTheGameDoes(control, file("song.mid"));
    return captureFrom(stream, before, AudioFixtures::bytesPerSecond(), firstSoundingFrame);
}

void MusicSequencer::aRestartAfterTheWindowUnloadsBeginsAtTheTop()
{
    QVERIFY(openOnDisk());
    const DiskStream stream(file(QStringLiteral("disk%1.raw").arg(diskRuns_)));
    auto window = std::make_unique<MusicControl>();
    const QByteArray first = captureFirstSecond(*window, stream);
    QVERIFY(!first.isEmpty());
    QVERIFY(loudest(first) > AudibleLevel);

    window.reset(); // the game window unloads, and its music with it
    QVERIFY(!Sounds::instance().songSounding());
    // Let whatever was mixed before the stop reach the file, so the next start is found
    // after a stretch of silence.
    QVERIFY(stream.waitForMore(AudioFixtures::bytesPerSecond() / 2));
    MusicControl reloaded;
    const QByteArray second = captureFirstSecond(reloaded, stream);
    QVERIFY2(first == second, qPrintable(differenceAt(first, second)));
}

void MusicSequencer::prevWhileTheSongPlaysStartsItAgainFromTheTop()
{
    QVERIFY(openOnDisk());
    const DiskStream stream(file(QStringLiteral("disk%1.raw").arg(diskRuns_)));
    MusicControl window;
    const QByteArray first = captureFirstSecond(window, stream);
    QVERIFY(!first.isEmpty());

    QVERIFY(stream.waitForMore(AudioFixtures::bytesPerSecond() / 2)); // well into the song
    QVERIFY(window.playing());
    const qint64 before = stream.size();
    window.setCommand("prev");
    const QByteArray head = first.left(HeadBytes);
    const QByteArray again = captureFrom(stream, before, first.size(), [&](const QByteArray& pcm) {
        return findAligned(pcm, head);
    });
    QVERIFY2(!again.isEmpty(), "the opening of the song was never heard again");
    QVERIFY2(first == again, qPrintable(differenceAt(first, again)));
}

void MusicSequencer::theSongPlaysOnceAndIsNotStartedAgain()
{
    QVERIFY(openOnDisk());
    const DiskStream stream(file(QStringLiteral("disk%1.raw").arg(diskRuns_)));
    MusicControl window;
    const qint64 before = stream.size();
    startAsTheGameDoes(window, file("blip.mid"));
    QVERIFY(Sounds::instance().waitUntilIdle(LoadTimeoutMs));
    QVERIFY(window.playing());
    QTRY_VERIFY_WITH_TIMEOUT(!window.playing(), StreamTimeoutMs);

    const qint64 ended = stream.size();
    QVERIFY(stream.waitForMore(AudioFixtures::bytesPerSecond()));
    QVERIFY(!Sounds::instance().songSounding());
    QVERIFY(!window.playing());
    // Past the last buffers of the song itself there is only silence.
    QVERIFY(loudest(stream.readFrom(before)) > AudibleLevel);
    const QByteArray after = stream.readFrom(ended + AudioFixtures::bytesPerSecond() / 4);
    QVERIFY(after.size() >= AudioFixtures::bytesPerSecond() / 2);
    QCOMPARE(loudest(after), 0);
}

void MusicSequencer::playFollowedByPrevLoadsTheSongOnce()
{
    const int loadsBefore = Sounds::instance().songLoadCount();
    MusicControl window;
    startAsTheGameDoes(window, file("song.mid"));
    QVERIFY(window.playing()); // at once, while the song still loads
    QVERIFY(Sounds::instance().waitUntilIdle(LoadTimeoutMs));
    QCOMPARE(Sounds::instance().songLoadCount() - loadsBefore, 1);
    QVERIFY(window.playing());
    QVERIFY(Sounds::instance().songSounding());
}

void MusicSequencer::aControlDestroyedWhileItsSongLoadsNeverStartsIt()
{
    for (int round = 0; round < 3; ++round) {
        {
            const int loadsBefore = Sounds::instance().songLoadCount();
            MusicControl window;
            startAsTheGameDoes(window, file("song.mid"));
            // The window goes while the song is being loaded, not before that begins.
            QTRY_VERIFY_WITH_TIMEOUT(Sounds::instance().songLoadCount() > loadsBefore, LoadTimeoutMs);
        }
        QVERIFY(Sounds::instance().waitUntilIdle(LoadTimeoutMs));
        QVERIFY(!Sounds::instance().songSounding());
    }
    // A control that is gone may even have been the one whose song was playing.
    {
        MusicControl window;
        startAsTheGameDoes(window, file("song.mid"));
        QVERIFY(Sounds::instance().waitUntilIdle(LoadTimeoutMs));
        QVERIFY(Sounds::instance().songSounding());
        window.setCommand("prev");
    }
    QVERIFY(Sounds::instance().waitUntilIdle(LoadTimeoutMs));
    QVERIFY(!Sounds::instance().songSounding());
}

void MusicSequencer::aNewControlsSongReplacesTheOldOneWhichCannotStopIt()
{
    auto oldWindow = std::make_unique<MusicControl>();
    startAsTheGameDoes(*oldWindow, file("song.mid"));
    QVERIFY(Sounds::instance().waitUntilIdle(LoadTimeoutMs));
    QVERIFY(oldWindow->playing());

    MusicControl newWindow;
    startAsTheGameDoes(newWindow, file("other.mid"));
    QVERIFY(Sounds::instance().waitUntilIdle(LoadTimeoutMs));
    QVERIFY(newWindow.playing());
    QVERIFY(!oldWindow->playing());

    oldWindow.reset();
    QVERIFY(newWindow.playing());
    QVERIFY(Sounds::instance().songSounding());
}

void MusicSequencer::missingSongSoundfontOrBrokenFileLeaveTheGameSilent()
{
    StandardErrorCapture said;
    MusicControl window;
    startAsTheGameDoes(window, file("nowhere.mid"));
    QVERIFY(!window.playing());
    startAsTheGameDoes(window, file("nowhere.mid"));

    QFile broken(file("broken.mid"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("MThd but nothing a sequencer could play");
    broken.close();
    startAsTheGameDoes(window, file("broken.mid"));
    QVERIFY(Sounds::instance().waitUntilIdle(LoadTimeoutMs));
    // The synthesiser finds out only when it begins to play, and falls silent.
    QTRY_VERIFY_WITH_TIMEOUT(!window.playing(), LoadTimeoutMs);

    const QString soundFont = Audio::soundFontPath();
    Audio::setSoundFontPath(file("missing.sf2"));
    startAsTheGameDoes(window, file("song.mid"));
    const bool playedWithoutSoundfont = Sounds::instance().waitUntilIdle(LoadTimeoutMs) && window.playing();
    startAsTheGameDoes(window, file("song.mid"));
    Audio::setSoundFontPath(soundFont);
    QVERIFY(!playedWithoutSoundfont);
    QVERIFY(Sounds::instance().waitUntilIdle(LoadTimeoutMs));
    QVERIFY(!Sounds::instance().songSounding());

    startAsTheGameDoes(window, file("song.mid")); // and a good song still plays after all that
    QVERIFY(Sounds::instance().waitUntilIdle(LoadTimeoutMs));
    QVERIFY(window.playing());
    // The missing song and the missing soundfont are each said once, however often met.
    QCOMPARE(said.linesWith(QStringLiteral("crawlix: no sound: no song file ") + file("nowhere.mid")), 1);
    QCOMPARE(said.linesWith(QStringLiteral("crawlix: no sound: no soundfont ") + file("missing.sf2")), 1);
}

void MusicSequencer::withoutAnAudioDeviceNothingPlays()
{
    QVERIFY(!AudioFixtures::reopenWithDriver("no-such-driver"));
    const int loadsBefore = Sounds::instance().songLoadCount();
    MusicControl window;
    startAsTheGameDoes(window, file("song.mid"));
    QVERIFY(!window.playing());
    QVERIFY(Sounds::instance().waitUntilIdle(LoadTimeoutMs));
    QCOMPARE(Sounds::instance().songLoadCount(), loadsBefore); // not even loaded
    QVERIFY(!window.playing());
}

void MusicSequencer::closingTheAudioWhileASongLoadsIsHarmless()
{
    auto window = std::make_unique<MusicControl>();
    startAsTheGameDoes(*window, file("song.mid"));
    Audio::close(); // the program ends while the song still loads
    QVERIFY(!window->playing());
    window.reset(); // and its window goes after the audio

    QVERIFY(AudioFixtures::reopenWithDriver("dummy"));
    QVERIFY(Sounds::instance().waitUntilIdle(LoadTimeoutMs));
    QVERIFY(!Sounds::instance().songSounding());
    MusicControl next;
    startAsTheGameDoes(next, file("song.mid"));
    QVERIFY(Sounds::instance().waitUntilIdle(LoadTimeoutMs));
    QVERIFY(next.playing());
}

void MusicSequencer::theLoudestSongWithEveryEffectOnTopNeverClipsAndSitsAtAHealthyLevel()
{
    const QString assets = qEnvironmentVariable("CRAWLIX_SOURCE_DIR") + QStringLiteral("/assets/");
    QVERIFY(openOnDisk());
    const DiskStream stream(file(QStringLiteral("disk%1.raw").arg(diskRuns_)));
    const int second = AudioFixtures::bytesPerSecond();
    MusicControl window;
    const qint64 before = stream.size();
    startAsTheGameDoes(window, assets + QStringLiteral("songs/esm.mid"));
    QVERIFY(Sounds::instance().waitUntilIdle(LoadTimeoutMs));
    QVERIFY(window.playing());
    // The hidden-mode sound, the cheer and the explosion over the song's opening bars, each
    // to its end, as a game of quick levels and a hidden mode would play them.
    const std::pair<const char*, double> effects[] = {
        {"god.wav", 1.0}, {"halleluj.wav", 2.0}, {"explode.wav", 1.5}, {"god.wav", 1.0}, {"halleluj.wav", 2.0}};
    for (const auto& [effect, seconds] : effects) {
        PlaySoundFile(assets + QStringLiteral("sounds/") + QLatin1String(effect));
        QVERIFY(stream.waitForMore(qint64(seconds * second)));
    }
    QByteArray mix = stream.readFrom(before);
    mix = mix.mid(firstSoundingFrame(mix));
    QVERIFY(mix.size() >= 7 * second);
    QCOMPARE(clippedSamples(mix), 0);
    const double median = medianLoudnessDb(mix, second);
    QVERIFY2(median > QuietestMedianDb && median < LoudestMedianDb,
             qPrintable(QStringLiteral("median loudness %1 dBFS").arg(median)));
}

void MusicSequencer::everySongSoundsTheSameWithTheSoundfontCutForTheSongs()
{
    Audio::setSoundFontPath(QString()); // the game's own choice
    const QString whole = Audio::soundFontPath(); // none lies beside the test's program
    const QString build = qEnvironmentVariable("CRAWLIX_BUILD_DIR");
    const auto restore = qScopeGuard([&] { scripted_->services.applicationPath = dir_.path(); });
    scripted_->services.applicationPath = build;
    QVERIFY(AudioFixtures::writeTestSong(file("own.mid"), 1));
    // A song of the player's, put there after the build.
    QCOMPARE(Audio::soundFontPath(file("own.mid")), whole);

    for (const char* name : {"esm.mid", "horsemen.mid", "one.mid", "orion.mid", "seek.mid"}) {
        const QString song = build + QLatin1Char('/') + QLatin1String(name);
        const QString cut = Audio::soundFontPath(song);
        QCOMPARE(cut, build + QStringLiteral("/songs.sf2"));
        const QByteArray expected = renderSong(whole, song);
        const QByteArray played = renderSong(cut, song);
        QVERIFY2(loudest(expected) > AudibleLevel, name);
        QVERIFY2(played == expected, qPrintable(song + QLatin1Char(' ') + differenceAt(played, expected)));
    }
}

void MusicSequencer::exitWhileASongIsStillLoadingEndsTheProgramAtOnce()
{
    // A song whose load is held until the program has ended.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    Sounds::instance().setLoadGate([released] { released.wait(); });
    const int loadsBefore = Sounds::instance().songLoadCount();
    auto window = std::make_unique<MusicControl>();
    startAsTheGameDoes(*window, file("song.mid"));
    QTRY_VERIFY_WITH_TIMEOUT(Sounds::instance().songLoadCount() > loadsBefore, LoadTimeoutMs);

    // "&Exit": the event loop ends and the audio closes without waiting for the load.
    QTimer::singleShot(0, [] { EndProgram(); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!Audio::isOpen());
    QVERIFY(!window->playing());
    window.reset();

    // The load finally goes on, and nothing of it is left behind.
    Sounds::instance().setLoadGate({});
    release.set_value();
    QVERIFY(Sounds::instance().waitUntilIdle(LoadTimeoutMs));
    QVERIFY(!Sounds::instance().synthesizerLoaded());
}

QTEST_GUILESS_MAIN(MusicSequencer)
#include "test_music.moc"
