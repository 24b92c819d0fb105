// SPDX-License-Identifier: GPL-3.0-or-later
// The wave sound effects: played at once, one at a time, silent when anything is missing.
// The game controllers the sound module reads: what their buttons, sticks and hats say.
#include "AudioFixtures.h"
#include "ScriptedRuntime.h"
#include "StandardErrorCapture.h"
#include "VirtualPad.h"
#include "platform/GameFiles.h"
#include "platform/MusicControl.h"
#include "platform/PlayASound.h"
#include "sound/Sounds.h"

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

constexpr std::array<const char*, PadInputCount> PadInputNames = {
    "Up", "Down", "Left", "Right", "A", "B", "Start", "Y", "Back"};

// What the module told, one line each: "press Up", "release A", "removed", "unusable NAME".
class ToldPads : public PadListener {
public:
    QStringList told;
    int connected = 0;

    // Reads the controllers; what was told since the last time.
    QStringList read()
    {
        told.clear();
        connected = Sounds::instance().readControllers(*this);
        return told;
    }

private:
    static QString nameOf(PadInput input)
    {
        return QString::fromLatin1(PadInputNames[std::size_t(input)]);
    }
    void padPressed(PadInput input) override { told << QStringLiteral("press ") + nameOf(input); }
    void padReleased(PadInput input) override { told << QStringLiteral("release ") + nameOf(input); }
    void controllerRemoved() override { told << QStringLiteral("removed"); }
    void controllerUnusable(const char* name) override
    {
        told << QStringLiteral("unusable ") + QString::fromUtf8(name);
    }
};

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

    void aStandardControllerSpeaksThroughItsDPadAndFiveButtons();
    void twoControllersHoldingOneDirectionPressItOnce();
    void theStickActsLikeTheDPadPastItsDeadZoneOneDirectionPerAxis();
    void anUnknownJoystickUsesItsHatAndFirstButtonsOrIsNamedUnusable();
    void aControllerPulledOutLetsGoOfWhatItHeldAndIsReported();

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
    StandardErrorCapture said;
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
    // One line says why, naming the first file; the second is the same kind of silence.
    QCOMPARE(said.linesWith(QStringLiteral("crawlix: no sound: ")), 1);
    QCOMPARE(said.linesWith(QStringLiteral("crawlix: no sound: ") + file("nowhere.wav")), 1);
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
    StandardErrorCapture said;
    QVERIFY(!AudioFixtures::reopenWithDriver("no-such-driver"));
    QVERIFY(!Audio::isOpen());
    QVERIFY(!Audio::open());
    QCOMPARE(said.linesWith(QStringLiteral("crawlix: no sound: the audio device will not open: ")), 1);
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

void SoundEffects::aStandardControllerSpeaksThroughItsDPadAndFiveButtons()
{
    QVERIFY(Sounds::instance().openControllers() >= 0);
    ToldPads pads;
    pads.read();
    VirtualPad pad;
    QVERIFY(pad.plugged());
    QCOMPARE(pads.read(), QStringList());
    QCOMPARE(pads.connected, 1);

    const std::pair<SDL_GameControllerButton, QString> spoken[] = {
        {SDL_CONTROLLER_BUTTON_DPAD_UP, "Up"},      {SDL_CONTROLLER_BUTTON_DPAD_DOWN, "Down"},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, "Left"},  {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, "Right"},
        {SDL_CONTROLLER_BUTTON_A, "A"},             {SDL_CONTROLLER_BUTTON_B, "B"},
        {SDL_CONTROLLER_BUTTON_START, "Start"},     {SDL_CONTROLLER_BUTTON_Y, "Y"},
        {SDL_CONTROLLER_BUTTON_BACK, "Back"},
    };
    for (const auto& [button, input] : spoken) {
        pad.button(button, true);
        QCOMPARE(pads.read(), QStringList{"press " + input});
        pad.button(button, false);
        QCOMPARE(pads.read(), QStringList{"release " + input});
    }
    // The buttons the game has no use for say nothing.
    for (SDL_GameControllerButton unused : {SDL_CONTROLLER_BUTTON_X, SDL_CONTROLLER_BUTTON_GUIDE,
                                            SDL_CONTROLLER_BUTTON_LEFTSHOULDER}) {
        pad.button(unused, true);
        QCOMPARE(pads.read(), QStringList());
        pad.button(unused, false);
        QCOMPARE(pads.read(), QStringList());
    }
    pad.unplug();
    pads.read();
}

void SoundEffects::twoControllersHoldingOneDirectionPressItOnce()
{
    QVERIFY(Sounds::instance().openControllers() >= 0);
    ToldPads pads;
    VirtualPad first;
    VirtualPad second;
    pads.read();
    QCOMPARE(pads.connected, 2);
    first.button(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
    QCOMPARE(pads.read(), QStringList{"press Up"});
    second.button(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
    second.button(SDL_CONTROLLER_BUTTON_A, true);
    QCOMPARE(pads.read(), QStringList{"press A"});
    first.button(SDL_CONTROLLER_BUTTON_DPAD_UP, false);
    QCOMPARE(pads.read(), QStringList());
    second.button(SDL_CONTROLLER_BUTTON_DPAD_UP, false);
    QCOMPARE(pads.read(), QStringList{"release Up"});
    second.button(SDL_CONTROLLER_BUTTON_A, false);
    first.unplug();
    second.unplug();
    pads.read();
}

void SoundEffects::theStickActsLikeTheDPadPastItsDeadZoneOneDirectionPerAxis()
{
    QVERIFY(Sounds::instance().openControllers() >= 0);
    ToldPads pads;
    VirtualPad pad;
    pads.read();
    const struct {
        int axis;
        Sint16 value;
        QStringList told;
    } moves[] = {
        {SDL_CONTROLLER_AXIS_LEFTX, 9000, {}},                 // within the dead zone
        {SDL_CONTROLLER_AXIS_LEFTX, 20000, {"press Right"}},
        {SDL_CONTROLLER_AXIS_LEFTX, 14000, {}},                // resting near the edge
        {SDL_CONTROLLER_AXIS_LEFTX, -14000, {"release Right"}}, // not yet past it the other way
        {SDL_CONTROLLER_AXIS_LEFTX, -32768, {"press Left"}},
        {SDL_CONTROLLER_AXIS_LEFTX, 32767, {"release Left", "press Right"}},
        {SDL_CONTROLLER_AXIS_LEFTY, -32768, {"press Up"}},     // Up and Right together
        {SDL_CONTROLLER_AXIS_LEFTY, 32767, {"release Up", "press Down"}},
        {SDL_CONTROLLER_AXIS_LEFTX, 0, {"release Right"}},
        {SDL_CONTROLLER_AXIS_LEFTY, 0, {"release Down"}},
        {SDL_CONTROLLER_AXIS_RIGHTX, 32767, {}},               // the other stick says nothing
    };
    for (const auto& move : moves) {
        pad.axis(move.axis, move.value);
        QCOMPARE(pads.read(), move.told);
    }
    pad.unplug();
    pads.read();
}

void SoundEffects::anUnknownJoystickUsesItsHatAndFirstButtonsOrIsNamedUnusable()
{
    QVERIFY(Sounds::instance().openControllers() >= 0);
    ToldPads pads;
    VirtualPad stick(SDL_JOYSTICK_TYPE_UNKNOWN, 2, 3, 1, "Old joystick");
    pads.read();
    QCOMPARE(pads.connected, 1);
    stick.hat(SDL_HAT_UP);
    QCOMPARE(pads.read(), QStringList{"press Up"});
    stick.hat(SDL_HAT_LEFT);
    QCOMPARE(pads.read(), (QStringList{"release Up", "press Left"}));
    stick.hat(SDL_HAT_CENTERED);
    QCOMPARE(pads.read(), QStringList{"release Left"});
    stick.axis(1, 32767);
    QCOMPARE(pads.read(), QStringList{"press Down"});
    stick.axis(1, 0);
    stick.button(0, true);
    stick.button(1, true);
    stick.button(2, true);
    QCOMPARE(pads.read(), (QStringList{"release Down", "press A", "press B"}));
    stick.button(0, false);
    stick.button(1, false);
    QCOMPARE(pads.read(), (QStringList{"release A", "release B"}));

    VirtualPad buttonsOnly(SDL_JOYSTICK_TYPE_UNKNOWN, 1, 4, 0, "Button box");
    QCOMPARE(pads.read(), QStringList{"unusable Button box"});
    QCOMPARE(pads.connected, 1);
    stick.unplug();
    buttonsOnly.unplug();
    pads.read();
}

void SoundEffects::aControllerPulledOutLetsGoOfWhatItHeldAndIsReported()
{
    QVERIFY(Sounds::instance().openControllers() >= 0);
    ToldPads pads;
    VirtualPad pad;
    pads.read();
    pad.button(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
    QCOMPARE(pads.read(), QStringList{"press Up"});
    pad.unplug();
    QCOMPARE(pads.read(), (QStringList{"release Up", "removed"}));
    QCOMPARE(pads.connected, 0);
}

QTEST_GUILESS_MAIN(SoundEffects)
#include "test_sound.moc"
