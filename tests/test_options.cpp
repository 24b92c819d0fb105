// SPDX-License-Identifier: GPL-3.0-or-later
// The stored music choice and the start of the song.

#include "ScriptedRuntime.h"
#include "SqliteShell.h"
#include "TempDataHome.h"

#include "options/Options.h"
#include "platform/Hive.h"
#include "platform/MusicControl.h"
#include "options/OptionNames.h"
#include "options/StoredZoom.h"
#include "shared/Declarations.h"

#include <QtTest>

#include <array>
#include <memory>

namespace {
// The game gives up on a lock after ShortBusyTimeoutMs here.
constexpr int ShortBusyTimeoutMs = 300;
constexpr int BusyTimeoutMs = 10000;
} // namespace

class OptionsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDataHome> home;
    std::unique_ptr<ScopedScriptedRuntime> scripted;
    ScriptedRuntime& services() { return scripted->services; }

    static void store(const QString& name, const QString& value)
    {
        WriteRegValue(OptionsKey, name, value);
    }
    static void storeMusic(const QString& option) { store(QStringLiteral("Music Option"), option); }
    static void storeSong(const QString& key) { store(QStringLiteral("Song To Play"), key); }

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("crawlix")); }

    void init()
    {
        home = std::make_unique<TempDataHome>();
        scripted = std::make_unique<ScopedScriptedRuntime>();
        ResetDeclarations();
    }

    void cleanup()
    {
        ResetDeclarations();
        scripted.reset();
        home.reset();
    }

    void randomPassesPendingEventsOnceAndThrowsAwayDrawsOfZero()
    {
        storeMusic(QStringLiteral("Random"));
        services().randomValues = {0.0f, 0.1666f, 0.17f};
        LoadOptions();
        QCOMPARE(MusicOption, QStringLiteral("Random"));
        QCOMPARE(SongNumber, 1);
        QCOMPARE(services().randomDraws, 3);
        QCOMPARE(services().doEventsCalls, 1);
    }

    void randomJustBelowOneGivesTheFifthSong()
    {
        storeMusic(QStringLiteral("Random"));
        services().randomValues = {0x1.fffffep-1f};
        LoadOptions();
        QCOMPARE(SongNumber, 5);
    }

    void randomOverManyLoadsGivesEverySongAboutEquallyOften()
    {
        storeMusic(QStringLiteral("Random"));
        constexpr int Loads = 5000;
        std::array<int, 6> counts{};
        services().seed(20261207);
        for (int load = 0; load < Loads; ++load) {
            LoadOptions();
            QVERIFY(SongNumber >= 1 && SongNumber <= 5);
            ++counts[size_t(SongNumber)];
        }
        QCOMPARE(counts[0], 0);
        // 1000 expected per song; 4.5 standard deviations either way.
        for (int number = 1; number <= 5; ++number)
            QVERIFY2(counts[size_t(number)] > 870 && counts[size_t(number)] < 1130,
                     qPrintable(QStringLiteral("song %1 came %2 times").arg(number).arg(counts[size_t(number)])));
        QCOMPARE(services().doEventsCalls, Loads);
    }

    void singlePicksTheSongOfEachExactKey_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("number");
        QTest::newRow("ESM") << "ESM" << 1;
        QTest::newRow("Horse") << "Horse" << 2;
        QTest::newRow("One") << "One" << 3;
        QTest::newRow("Orion") << "Orion" << 4;
        QTest::newRow("Seek") << "Seek" << 5;
    }

    void singlePicksTheSongOfEachExactKey()
    {
        QFETCH(QString, key);
        QFETCH(int, number);
        storeMusic(QStringLiteral("Single"));
        storeSong(key);
        LoadOptions();
        QCOMPARE(SongNumber, number);
        QCOMPARE(services().randomDraws, 0);
        QCOMPARE(services().doEventsCalls, 0);
    }

    void singleWithAnUnknownKeyKeepsThePreviousSong_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("stored");
        QTest::newRow("lower case seek") << "seek" << true;
        QTest::newRow("upper case ORION") << "ORION" << true;
        QTest::newRow("trailing blank") << "One " << true;
        QTest::newRow("caption instead of key") << "Enter Sandman" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("missing") << "" << false;
    }

    void singleWithAnUnknownKeyKeepsThePreviousSong()
    {
        QFETCH(QString, key);
        QFETCH(bool, stored);
        storeMusic(QStringLiteral("Single"));
        if (stored)
            storeSong(key);
        SongNumber = 3;
        LoadOptions();
        QCOMPARE(SongNumber, 3);
    }

    void noneStopsTheMusicEvenAfterASongWasPlaying()
    {
        storeMusic(QStringLiteral("Single"));
        storeSong(QStringLiteral("Orion"));
        LoadOptions();
        QCOMPARE(SongNumber, 4);
        storeMusic(QStringLiteral("None"));
        LoadOptions();
        QCOMPARE(MusicOption, QStringLiteral("None"));
        QCOMPARE(SongNumber, 0);
    }

    void anyOtherOptionKeepsThePreviousSong_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("stored");
        QTest::newRow("lower case random") << "random" << true;
        QTest::newRow("upper case NONE") << "NONE" << true;
        QTest::newRow("lower case single") << "single" << true;
        QTest::newRow("padded") << " Random" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("missing") << "" << false;
    }

    void anyOtherOptionKeepsThePreviousSong()
    {
        QFETCH(QString, option);
        QFETCH(bool, stored);
        if (stored)
            storeMusic(option);
        storeSong(QStringLiteral("Seek"));
        SongNumber = 2;
        LoadOptions();
        QCOMPARE(MusicOption, option);
        QCOMPARE(SongNumber, 2);
        QCOMPARE(services().randomDraws, 0);
    }

    void anUnknownOptionOnTheFirstLoadMeansNoMusic()
    {
        storeMusic(QStringLiteral("random"));
        LoadOptions();
        QCOMPARE(SongNumber, 0);
        MusicControl control;
        StartMusic(control);
        QVERIFY(SongFile.isEmpty());
        QVERIFY(control.fileName().isEmpty());
    }

    void levelOptionsThatCannotBeReadKeepWhatIsInMemoryOrTheWindowsDefaults()
    {
        store(StartLevelValue, QStringLiteral("12"));
        store(StillBombsValue, QStringLiteral("5"));
        Hive::close();
        SqliteShell shell(home->hivePath(), "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE;");
        QVERIFY(shell.holding());
        Hive::setBusyTimeoutMs(ShortBusyTimeoutMs);
        ReadLevelOptions();
        QCOMPARE(StartLevelText, QStringLiteral("1"));
        QCOMPARE(StillBombsText, QStringLiteral("3"));
        StartLevelText = QStringLiteral("9");
        ReadLevelOptions();
        QCOMPARE(StartLevelText, QStringLiteral("9"));
        shell.release();
        Hive::setBusyTimeoutMs(BusyTimeoutMs);
        ReadLevelOptions();
        QCOMPARE(StartLevelText, QStringLiteral("12"));
        QCOMPARE(StillBombsText, QStringLiteral("5"));
    }

    void startMusicOpensTheSongBesideTheProgram()
    {
        services().applicationPath = QStringLiteral("/opt/games/crawlix");
        storeMusic(QStringLiteral("Single"));
        storeSong(QStringLiteral("Seek"));
        LoadOptions();
        MusicControl control;
        StartMusic(control);
        QCOMPARE(SongFile, QStringLiteral("/opt/games/crawlix/seek.mid"));
        QCOMPARE(control.fileName(), SongFile);
    }

    void startMusicBuildsEachSongsPath()
    {
        services().applicationPath = QStringLiteral("/a/b");
        for (int number = 1; number <= 5; ++number) {
            SongNumber = number;
            MusicControl control;
            StartMusic(control);
            QCOMPARE(SongFile, QStringLiteral("/a/b/") + QLatin1String(SongInfo(number).file));
        }
    }

    void startMusicWithoutASongLeavesTheControlAndTheOldFileAlone()
    {
        SongNumber = 0;
        SongFile = QStringLiteral("/earlier/orion.mid");
        MusicControl control;
        StartMusic(control);
        QCOMPARE(SongFile, QStringLiteral("/earlier/orion.mid"));
        QVERIFY(control.fileName().isEmpty());
        QVERIFY(!control.playing());
    }

    // The zoom lives under a key of its own; the options' values never see it.
    void theZoomIsStoredUnderItsOwnKeyAndOnlyAStepIsTaken()
    {
        QCOMPARE(StoredZoom::read(), std::nullopt);
        StoredZoom::write(150);
        QCOMPARE(StoredZoom::read(), std::optional<int>(150));
        ReadRegValue(QStringLiteral("\\Software\\Crawlix\\Window"), QStringLiteral("Zoom"));
        QCOMPARE(RegObjValue(), QStringLiteral("150"));
        ReadRegValue(OptionsKey, QStringLiteral("Zoom"));
        QVERIFY(RegObjValue().isEmpty());
        for (const char* never : {"130", "450", "75", "0", "-100", "big", "150x"}) {
            WriteRegValue(WindowKey, ZoomValue, QString::fromLatin1(never));
            QCOMPARE(StoredZoom::read(), std::optional<int>(100));
        }
    }

    void aFirstStartTakesTheLargestZoomThatFitsTheScreen_data()
    {
        QTest::addColumn<QSize>("available");
        QTest::addColumn<int>("zoom");
        QTest::newRow("800 x 600") << QSize(800, 600) << 100;
        QTest::newRow("1024 x 768") << QSize(1024, 768) << 100;
        QTest::newRow("1280 x 1024") << QSize(1280, 1024) << 100;
        QTest::newRow("1920 x 1080") << QSize(1920, 1080) << 125;
        QTest::newRow("2560 x 1440") << QSize(2560, 1440) << 150;
        QTest::newRow("2560 x 1600") << QSize(2560, 1600) << 175;
        QTest::newRow("3840 x 2160") << QSize(3840, 2160) << 250;
        QTest::newRow("a tall narrow screen, by its width") << QSize(900, 2160) << 125;
        QTest::newRow("7680 x 4320") << QSize(7680, 4320) << 400;
    }

    void aFirstStartTakesTheLargestZoomThatFitsTheScreen()
    {
        QFETCH(QSize, available);
        QFETCH(int, zoom);
        QCOMPARE(StoredZoom::fitting(available), zoom);
    }
};

QTEST_GUILESS_MAIN(OptionsTest)
#include "test_options.moc"
