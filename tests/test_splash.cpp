// SPDX-License-Identifier: GPL-3.0-or-later
// The title screen: the title's drop, the jumping squares, the first-run hand-over to the
// options window, and which clicks open the game.
#include "ScriptedRuntime.h"
#include "SqliteShell.h"
#include "TempDataHome.h"

#include "game/GameForm.h"
#include "options/OptionsFrm.h"
#include "platform/Hive.h"
#include "scores/TopTenTable.h"
#include "options/OptionNames.h"
#include "shared/Declarations.h"
#include "app/Forms.h"
#include "title/Splash.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QTest>
#include <memory>

namespace {
// Deletes what the hand-overs left for the event loop to delete.
void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// The game gives up on a lock after ShortBusyTimeoutMs here; the lock lasts longer.
constexpr int ShortBusyTimeoutMs = 300;
constexpr int BusyTimeoutMs = 10000;
constexpr int LockSeconds = 1;
// However busy the machine, the title screen has ticked, or the program ended, by then.
constexpr int EventWaitMs = 60000;

QString stored(const QString& key, const QString& name)
{
    ReadRegValue(key, name);
    return RegObjValue();
}
} // namespace

class SplashTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDataHome> dataHome_;
    std::unique_ptr<ScopedScriptedRuntime> scripted_;

    ScriptedRuntime& services() { return scripted_->services; }

    // A title screen that has run its load; the timer is stopped so that only the ticks
    // a test calls happen.
    Splash* loadedSplash()
    {
        auto* splash = new Splash;
        splash->Form_Load();
        splash->Timer1().stop();
        return splash;
    }

    void storeStartLevel() { WriteRegValue(OptionsKey, QStringLiteral("Start Level"), 3); }

private slots:
    void init()
    {
        dataHome_ = std::make_unique<TempDataHome>();
        scripted_ = std::make_unique<ScopedScriptedRuntime>();
        ResetDeclarations();
    }

    void cleanup()
    {
        EndProgram();
        flushDeletes();
        scripted_.reset();
        dataHome_.reset();
    }

    void titleDropsFiftyTwipsATickAndRestsAt140()
    {
        std::unique_ptr<Splash> splash(loadedSplash());
        QCOMPARE(splash->Label1().Top, -960.0f);
        for (int tick = 1; tick <= 22; ++tick) {
            splash->Timer1_Timer();
            QCOMPARE(splash->Label1().Top, -960.0f + 50.0f * float(tick));
        }
        QCOMPARE(splash->Label1().Top, 140.0f);
        for (int tick = 0; tick < 10; ++tick)
            splash->Timer1_Timer();
        QCOMPARE(splash->Label1().Top, 140.0f);
        QCOMPARE(splash->label1Widget()->y(), 140 / 15);
    }

    void theRunningTimerDropsTheTitleAndShowsTheSquares()
    {
        storeStartLevel();
        std::unique_ptr<Splash> splash(new Splash);
        splash->Form_Load();
        QTRY_VERIFY_WITH_TIMEOUT(splash->Label1().Top > -960.0f, EventWaitMs);
        QVERIFY(splash->ShapeVisible(1) && splash->ShapeVisible(4));
        splash->close();
        QVERIFY(!splash->Timer1().isActive());
    }

    void everyTickDrawsEightNumbersInOrderAndPlacesTheSquaresByTheOuterSize()
    {
        std::unique_ptr<Splash> splash(loadedSplash());
        for (int n = 1; n <= Splash::ShapeCount; ++n)
            QVERIFY(!splash->ShapeVisible(n));

        // r = 0, and r just below 1 (the square lands wholly outside the client area).
        services().randomValues = {0.0f, 0.5f, 0.25f, 0x1.fffffep-1f,
                                   0.1f, 0.2f, 0.3f, 0.4f};
        const int drawsBefore = services().randomDraws;
        splash->Timer1_Timer();
        QCOMPARE(services().randomDraws - drawsBefore, 8);
        QVERIFY(services().randomValues.empty());

        const float expected[Splash::ShapeCount][2] = {
            {0, 2452}, {1721, 4904}, {688, 981}, {2065, 1962}};
        for (int n = 1; n <= Splash::ShapeCount; ++n) {
            QCOMPARE(splash->Shape(n).Left, expected[n - 1][0]);
            QCOMPARE(splash->Shape(n).Top, expected[n - 1][1]);
            QCOMPARE(splash->Shape(n).Width, 135.0f);
            QVERIFY(splash->ShapeVisible(n));
        }
        QCOMPARE(splash->shapeWidget(2)->pos(), QPoint(115, 327));
    }

    void loadCentresTheWindowAndTheLabelsAndStartsTheTimer()
    {
        services().screen = QSize(1024 * 15, 768 * 15);
        std::unique_ptr<Splash> splash(new Splash);
        splash->Form_Load();

        QCOMPARE(services().randomizeCalls, 1);
        QCOMPARE(splash->Width(), 6885.0f);
        QCOMPARE(splash->Height(), 4905.0f);
        QCOMPARE(splash->Left(), 4237.5f);
        QCOMPARE(splash->Top(), 3307.5f);
        QCOMPARE(splash->Label1().Left, (6885.0f - splash->Label1().Width) / 2);
        QCOMPARE(splash->Label3().Left, (6885.0f - splash->Label3().Width) / 2);
        QCOMPARE(splash->Label3().Top, 1320.0f);
        // Liberation Serif at 16 px matches the design's Times New Roman 12 pt: 3030 x 285.
        QVERIFY2(qAbs(splash->Label3().Width - 3030.0f) <= 150.0f,
                 qPrintable(QString::number(splash->Label3().Width)));
        QVERIFY2(qAbs(splash->Label3().Height - 285.0f) <= 30.0f,
                 qPrintable(QString::number(splash->Label3().Height)));
        QCOMPARE(splash->label3Widget()->text(), QStringLiteral("Version 1.0  ;  Completed 8/6/97"));
        QCOMPARE(splash->label1Widget()->text(), QStringLiteral("Crawlix"));
        QCOMPARE(splash->Timer1().interval(), 75);
        QVERIFY(splash->Timer1().isActive());
        QVERIFY(splash->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(splash->size(), QSize(459, 327));
        QCOMPARE(splash->clientWidget()->geometry(), QRect(1, 1, 457, 325));
    }

    void firstRunWritesTheEmptyTopTenAndHandsOverToTheOptionsAtOnce()
    {
        ShowSplash();
        // One pass over the events that follow the first show: no tick has come yet.
        QCoreApplication::processEvents();

        QCOMPARE(services().randomDraws, 0);
        QVERIFY(LoadedOptionsFrm() != nullptr);
        QVERIFY(LoadedSplash() == nullptr);
        QVERIFY(LoadedGameForm() == nullptr);
        for (int rank = 1; rank <= 10; ++rank) {
            QCOMPARE(stored(TopTenKey, TopTenNameValue(rank)), QStringLiteral("(Available)"));
            QCOMPARE(stored(TopTenKey, TopTenScoreValue(rank)), QStringLiteral("0"));
        }
    }

    void aStartLevelOfNothingCountsAsAFirstRunButKeepsAStoredList_data()
    {
        QTest::addColumn<QString>("startLevel");
        QTest::newRow("missing") << QString();
        QTest::newRow("empty") << QStringLiteral("");
        QTest::newRow("zero") << QStringLiteral("0");
        QTest::newRow("not a number") << QStringLiteral("abc");
    }
    void aStartLevelOfNothingCountsAsAFirstRunButKeepsAStoredList()
    {
        QFETCH(QString, startLevel);
        if (!startLevel.isNull())
            WriteRegValue(OptionsKey, QStringLiteral("Start Level"), startLevel);
        WriteRegValue(TopTenKey, QStringLiteral("Name One"), QStringLiteral("Old Player"));
        std::unique_ptr<Splash> splash(loadedSplash());
        QCOMPARE(FirstRun, True);
        QCOMPARE(stored(TopTenKey, QStringLiteral("Name One")), QStringLiteral("Old Player"));
        QCOMPARE(stored(TopTenKey, QStringLiteral("Score One")), QString());
    }

    void aStoreLockedByAnotherProgramOverStartUpKeepsTheList()
    {
        storeStartLevel();
        ResetTopTen();
        WriteRegValue(TopTenKey, QStringLiteral("Name One"), QStringLiteral("Old Player"));
        WriteRegValue(TopTenKey, QStringLiteral("Score One"), 70);
        Hive::close();
        // A sqlite3 shell keeps the whole file to itself, readers shut out, for a while
        // longer than the game waits, and lets go while the title screen still loads.
        SqliteShell shell(dataHome_->hivePath(), "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE;");
        QVERIFY(shell.holding());
        Hive::setBusyTimeoutMs(ShortBusyTimeoutMs);
        shell.releaseAfter(LockSeconds);
        std::unique_ptr<Splash> splash(loadedSplash());
        shell.release();
        Hive::setBusyTimeoutMs(BusyTimeoutMs);

        // A start level that could not be read is no first run: the title waits for a
        // click, and the options stay as stored.
        QCOMPARE(FirstRun, False);
        QCOMPARE(stored(OptionsKey, StartLevelValue), QStringLiteral("3"));
        QCOMPARE(stored(TopTenKey, QStringLiteral("Name One")), QStringLiteral("Old Player"));
        QCOMPARE(stored(TopTenKey, QStringLiteral("Score One")), QStringLiteral("70"));
        QCOMPARE(stored(TopTenKey, QStringLiteral("Name Two")), QStringLiteral("(Available)"));
    }

    void aStoredValueTheOptionsWindowNeverWritesOpensItFirstToBeCorrected_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("shownLevel");
        QTest::newRow("start level 3e9") << StartLevelValue << QStringLiteral("3e9") << QStringLiteral("3000000000");
        QTest::newRow("start level 1e308") << StartLevelValue << QStringLiteral("1e308") << QString();
        QTest::newRow("start level 306783379") << StartLevelValue << QStringLiteral("306783379") << QStringLiteral("306783379");
        QTest::newRow("still bombs 9") << StillBombsValue << QStringLiteral("9") << QStringLiteral("7");
        QTest::newRow("music random") << MusicOptionValue << QStringLiteral("random") << QStringLiteral("7");
    }
    void aStoredValueTheOptionsWindowNeverWritesOpensItFirstToBeCorrected()
    {
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(QString, shownLevel);
        WriteRegValue(OptionsKey, StartLevelValue, 7);
        WriteRegValue(OptionsKey, StillBombsValue, 5);
        WriteRegValue(OptionsKey, MusicOptionValue, SingleOption);
        WriteRegValue(OptionsKey, SongToPlayValue, QStringLiteral("Orion"));
        WriteRegValue(OptionsKey, name, value);
        ResetTopTen();
        WriteRegValue(TopTenKey, QStringLiteral("Name One"), QStringLiteral("Old Player"));
        ShowSplash();
        QCoreApplication::processEvents();

        OptionsFrm* options = LoadedOptionsFrm();
        QVERIFY(options != nullptr);
        QVERIFY(LoadedGameForm() == nullptr);
        // The stored values show, the one to correct as it is, not cut to the box's length.
        if (!shownLevel.isEmpty())
            QCOMPARE(options->StartLev->text(), shownLevel);
        QCOMPARE(options->StillBombs->text(), name == StillBombsValue ? value : QStringLiteral("5"));
        if (name != MusicOptionValue)
            QVERIFY(options->SngOpt->isChecked() && options->OrionOpt->isChecked());
        QCOMPARE(stored(TopTenKey, QStringLiteral("Name One")), QStringLiteral("Old Player"));

        options->StartLev->setText(QStringLiteral("12"));
        options->StillBombs->setText(QStringLiteral("4"));
        options->SaveIt_Click();
        QVERIFY(LoadedGameForm() != nullptr);
        QCOMPARE(stored(OptionsKey, StartLevelValue), QStringLiteral("12"));
        QCOMPARE(stored(TopTenKey, QStringLiteral("Name One")), QStringLiteral("Old Player"));
    }

    void aStoredStartLevelKeepsTheTopTenAndTheTitleWaits()
    {
        storeStartLevel();
        WriteRegValue(TopTenKey, QStringLiteral("Name One"), QStringLiteral("Old Player"));
        Splash* splash = ShowSplash();
        QCoreApplication::processEvents();
        splash->Form_Activate();

        QCOMPARE(FirstRun, False);
        QVERIFY(LoadedSplash() == splash);
        QVERIFY(LoadedOptionsFrm() == nullptr);
        QVERIFY(LoadedGameForm() == nullptr);
        QCOMPARE(stored(TopTenKey, QStringLiteral("Name One")), QStringLiteral("Old Player"));
    }

    void clicksOnTheTitleAndTheVersionDoNothing()
    {
        storeStartLevel();
        Splash* splash = ShowSplash();
        splash->Timer1().stop();
        for (int tick = 0; tick < 22; ++tick)
            splash->Timer1_Timer();

        QTest::mouseClick(splash->label1Widget(), Qt::LeftButton);
        QTest::mouseClick(splash->label3Widget(), Qt::LeftButton);
        QCoreApplication::processEvents();

        QVERIFY(LoadedSplash() == splash);
        QVERIFY(LoadedGameForm() == nullptr);
    }

    void aSquareBehindTheTitleLeavesTheClickToTheTitle()
    {
        storeStartLevel();
        Splash* splash = ShowSplash();
        splash->Timer1().stop();
        for (int tick = 0; tick < 22; ++tick)
            splash->Timer1_Timer();
        const Splash::Twips title = splash->Label1();
        const float middleLeft = title.Left + title.Width / 2;
        const float middleTop = title.Top + title.Height / 2;
        services().randomValues = {middleLeft / splash->Width(), middleTop / splash->Height()};
        splash->Timer1_Timer();
        QVERIFY(splash->shapeWidget(1)->geometry().intersects(splash->label1Widget()->geometry()));

        // Through the window, as the pointer would: the widget on top takes the click.
        const QPoint middle = splash->shapeWidget(1)->geometry().center() + QPoint(1, 1);
        QTest::mouseClick(splash->windowHandle(), Qt::LeftButton, {}, middle);

        QVERIFY(LoadedSplash() == splash);
        QVERIFY(LoadedGameForm() == nullptr);
    }

    void aClickOnTheThinBorderDoesNothing()
    {
        storeStartLevel();
        Splash* splash = ShowSplash();
        QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(0, 100));
        QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(458, 326));
        QVERIFY(LoadedSplash() == splash);
        QVERIFY(LoadedGameForm() == nullptr);
    }

    void aClickOnTheBackgroundOpensTheGameAndUnloadsTheTitle()
    {
        storeStartLevel();
        Splash* splash = ShowSplash();
        QPointer<Splash> watch(splash);

        QTest::mouseClick(splash->clientWidget(), Qt::LeftButton, {}, QPoint(10, 300));

        QVERIFY(LoadedGameForm() != nullptr);
        QVERIFY(LoadedGameForm()->isVisible());
        QVERIFY(LoadedSplash() == nullptr);
        QVERIFY(!splash->isVisible());
        QVERIFY(!splash->Timer1().isActive());
        flushDeletes();
        QVERIFY(watch.isNull());
    }

    void aClickOnASquareOpensTheGame()
    {
        storeStartLevel();
        Splash* splash = ShowSplash();
        splash->Timer1().stop();
        services().randomValues = {0.5f, 0.5f};
        splash->Timer1_Timer();

        QTest::mouseClick(splash->shapeWidget(1), Qt::LeftButton, {}, QPoint(4, 4));

        QVERIFY(LoadedGameForm() != nullptr);
        QVERIFY(LoadedSplash() == nullptr);
    }

    void returnOrSpaceOpensTheGameAsAClickOnTheBackgroundDoes_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Enter") << int(Qt::Key_Enter);
        QTest::newRow("Space") << int(Qt::Key_Space);
    }

    void returnOrSpaceOpensTheGameAsAClickOnTheBackgroundDoes()
    {
        QFETCH(int, key);
        storeStartLevel();
        Splash* splash = ShowSplash();
        for (Qt::Key other : {Qt::Key_Escape, Qt::Key_A, Qt::Key_Up})
            QTest::keyClick(splash, other);
        QVERIFY(LoadedGameForm() == nullptr);
        QCOMPARE(LoadedSplash(), splash);

        QTest::keyClick(splash, Qt::Key(key));
        QVERIFY(LoadedGameForm() != nullptr);
        QVERIFY(LoadedGameForm()->isVisible());
        QVERIFY(LoadedSplash() == nullptr);
        QVERIFY(!splash->Timer1().isActive());
    }

    void closingTheGameWindowOpenedFromTheTitleEndsTheProgram()
    {
        storeStartLevel();
        Splash* splash = ShowSplash();
        QTest::mouseClick(splash->clientWidget(), Qt::LeftButton, {}, QPoint(10, 300));
        QVERIFY(LoadedGameForm() != nullptr);

        // Should any window stay open, the loop would never end: a watchdog ends it.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        watchdog.start(EventWaitMs);
        QTimer::singleShot(0, [] { LoadedGameForm()->close(); });
        QApplication::setQuitOnLastWindowClosed(true);
        QCOMPARE(QApplication::exec(), 0);
    }

    // The hand-overs the title screen relies on.
    void showingALoadedWindowAgainDoesNotLoadItAgain()
    {
        storeStartLevel();
        GameForm* game = ShowGameForm();
        ReadyCount = 5;
        QCOMPARE(ShowGameForm(), game);
        QCOMPARE(ReadyCount, 5);
    }

    void anUnloadedWindowHidesAtOnceGoesAwayAndIsLoadedAfresh()
    {
        storeStartLevel();
        QPointer<GameForm> first(ShowGameForm());
        ReadyCount = 5;
        UnloadGameForm();
        QVERIFY(LoadedGameForm() == nullptr);
        QVERIFY(!first.isNull() && !first->isVisible());
        flushDeletes();
        QVERIFY(first.isNull());

        ShowGameForm();
        QVERIFY(LoadedGameForm() != nullptr);
        QCOMPARE(ReadyCount, 0);
    }

    void aWindowThatWouldRunOffTheScreenMovesUpAndLeftToFit()
    {
        storeStartLevel();
        GameForm* game = ShowGameForm();
        const QRect room = game->screen()->availableGeometry();
        QCOMPARE(game->pos(), QPoint(24, 33));
        game->hide();
        game->move(room.right() - 100, room.bottom() - 100);
        game->show();
        QCOMPARE(game->frameGeometry().bottomRight(), room.bottomRight());
        // Too large for the screen, it keeps its top-left corner (title bar, menu) on it.
        game->hide();
        game->setFixedSize(room.width() + 50, room.height() + 50);
        game->show();
        QCOMPARE(game->frameGeometry().topLeft(), room.topLeft());
    }

    void endingTheProgramUnloadsEveryWindow()
    {
        storeStartLevel();
        ShowSplash();
        ShowGameForm();
        ShowTopTen();
        EndProgram();
        QVERIFY(LoadedSplash() == nullptr);
        QVERIFY(LoadedGameForm() == nullptr);
        QVERIFY(LoadedTopTen() == nullptr);
        QVERIFY(LoadedOptionsFrm() == nullptr);
    }
};

QTEST_MAIN(SplashTest)
#include "test_splash.moc"
