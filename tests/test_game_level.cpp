// SPDX-License-Identifier: GPL-3.0-or-later
// The game window as it loads, its commands and game states, and the level setup with its
// bomb placement. A game controller speaks the game's own keys to the windows.

#include "test_game_support.h"

#include "VirtualPad.h"

#include "game/Playfield.h"
#include "options/OptionNames.h"
#include "platform/Hive.h"
#include "scores/TopTen.h"
#include "scores/TopTenTable.h"
#include "app/Forms.h"
#include "app/GameControllers.h"
#include "options/OptionsFrm.h"
#include "platform/ControllerKeys.h"
#include "shared/Declarations.h"
#include "sound/Sounds.h"

#include <QFontInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

#include <memory>

#include <cmath>

namespace {
const float JustBelowOne = std::nextafter(1.0f, 0.0f);

// Makes the window the active one, as a click on it does.
bool activate(QWidget& window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window, WindowWaitMs);
}

// A controller plugged in, read whenever the test presses it.
struct PluggedPad {
    std::unique_ptr<VirtualPad> pad;
    std::unique_ptr<ControllerKeys> keys;

    explicit PluggedPad(std::function<ControllerKeys::Play()> play)
    {
        Sounds::instance().openControllers();
        pad = std::make_unique<VirtualPad>();
        keys = std::make_unique<ControllerKeys>(Sounds::instance(), std::move(play));
    }
    ~PluggedPad()
    {
        pad.reset();
        keys->read();
    }
    void hold(SDL_GameControllerButton button)
    {
        pad->button(button, true);
        keys->read();
    }
    void letGo(SDL_GameControllerButton button)
    {
        pad->button(button, false);
        keys->read();
    }
    void click(SDL_GameControllerButton button)
    {
        hold(button);
        letGo(button);
    }
};

// Counts the key presses a widget gets that are a held key's repeats.
class RepeatCount : public QObject {
public:
    int repeats = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->isAutoRepeat())
            ++repeats;
        return false;
    }
};

bool overlap(PictureBox& a, PictureBox& b)
{
    return std::max(a.Left(), b.Left()) < std::min(a.Left() + a.Width(), b.Left() + b.Width())
        && std::max(a.Top(), b.Top()) < std::min(a.Top() + a.Height(), b.Top() + b.Height());
}

void checkGroupApart(LoadedGame& g, int first, int last)
{
    for (int i = first; i <= last; ++i) {
        for (int j = i + 1; j <= last; ++j)
            QVERIFY2(!overlap(g.bomb(i), g.bomb(j)), qPrintable(QStringLiteral("%1 %2").arg(i).arg(j)));
    }
}
} // namespace

class GameLevel : public QObject {
    Q_OBJECT
private slots:
    void theWindowHasItsMenuControlsAndColours();
    void theLabelsUseTimesOrItsMetricTwinAtTwelvePoints();
    void aLongPointsCaptionWidensItsLabelToTheRight();
    void loadingDrawsTheSpritesAndLeavesTheGameIdle();
    void loadingReadsTheStoredStartLevelAndStillBombs();
    void aNewGameStartsAtTheStartLevelWithNoPoints();
    void pauseAndUnpauseSwitchTheTimerOnly();
    void aNewGameWhilePausedRunsWithTheCaptionStillUnpause();
    void selfDestructWhilePausedDoesNothing();
    void losingTheFocusDuringPlayPausesAsTheButtonDoes();
    void setupsKeepEveryGroupApartWithinItsRanges();
    void bombElementsAreCreatedOncePerLoadedWindow();
    void aSetupThatFindsItsElementsAlreadyMadeIsAnError();
    void anOverlappingPairIsPlacedAgainFirstElementFirstAndTheTestStartsOver();
    void stillBombsThatOverlapArePlacedAgainWithoutTouchingTheMovingOnes();
    void placementsAtTheEndsOfTheRandomRange();
    void aPlacementShowsThePlainBombAgain();
    void optionsHandsOverToTheOptionsWindowAndUnloadsTheGame();
    void viewTopTenOpensTheListBesideTheGame();
    void aControllerPlaysWithTheGamesKeysAndPullingItOutPauses();
    void aHeldDirectionOnAControllerRepeatsAsAHeldKeyDoes();
    void bOnAControllerClosesTheTopTenAndCancelsTheOptions();
};

void GameLevel::theWindowHasItsMenuControlsAndColours()
{
    LoadedGame g;
    GameForm& form = g.game();
    QVERIFY(form.windowTitle().isEmpty());
    QCOMPARE(form.menuBar()->actions().size(), 1);
    QCOMPARE(form.FileMenu()->title(), QStringLiteral("&Game"));
    QStringList commands;
    for (QAction* action : form.FileMenu()->actions()) {
        QVERIFY(!action->isSeparator());
        QVERIFY(action->shortcut().isEmpty());
        commands << action->text();
    }
    QCOMPARE(commands, (QStringList{"&New Game", "&View Top Ten", "&Options", "&Exit"}));

    QCOMPARE(form.Line1().X1, 600.0f);
    QCOMPARE(form.Line2().X1, 8880.0f);
    QCOMPARE(form.Line3().Y1, 360.0f);
    QCOMPARE(form.Line1().BorderColor, QColor(255, 0, 0));
    QCOMPARE(form.Line3().BorderColor, QColor(0, 255, 0));
    QCOMPARE(form.palette().color(QPalette::Window), QColor(192, 192, 192));

    QCOMPARE(form.BugPic()->Left(), 3840.0f);
    QCOMPARE(form.BugPic()->picturePixels(), QSize(100, 109));
    QCOMPARE(form.BombPic(0)->Left(), 120.0f);
    QCOMPARE(form.BombPic(0)->picturePixels(), QSize(32, 32));
    QCOMPARE(form.SrcPic()->picturePixels(), QSize(200, 109));
    QCOMPARE(form.BombSrc()->picturePixels(), QSize(64, 32));
    QVERIFY(!form.SrcPic()->Visible());
    QVERIFY(!form.BombSrc()->Visible());
    QCOMPARE(form.Pauser()->Caption(), QStringLiteral("Pause"));
    QCOMPARE(form.Kill()->Caption(), QStringLiteral("Self Distruct"));
    QCOMPARE(form.Kill()->Left(), 7680.0f);
    QCOMPARE(form.Kill()->geometry(), QRect(512, 0, 73, 25));
    QCOMPARE(form.Pauser()->focusPolicy(), Qt::NoFocus);
    QCOMPARE(form.Kill()->focusPolicy(), Qt::NoFocus);
    QCOMPARE(form.PointBox()->Left(), 1920.0f);
    QCOMPARE(form.LevBox()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(form.PointBox()->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    QCOMPARE(form.playfield()->size(), QSize(596, 467));
    QCOMPARE(form.Width(), 9060.0f);
    QCOMPARE(form.Height(), 7720.0f);
}

void GameLevel::theLabelsUseTimesOrItsMetricTwinAtTwelvePoints()
{
    LoadedGame g;
    const QFontInfo info(g.game().LevBox()->font());
    QVERIFY2(info.family() == QStringLiteral("Liberation Serif")
                 || info.family() == QStringLiteral("Times New Roman"),
             qPrintable(info.family()));
    QCOMPARE(info.pixelSize(), 16);
    QVERIFY(info.bold());
    QCOMPARE(QFontInfo(g.game().PointBox()->font()).family(), info.family());
}

void GameLevel::aLongPointsCaptionWidensItsLabelToTheRight()
{
    LoadedGame g;
    FormLabel& points = *g.game().PointBox();
    QCOMPARE(points.geometry().left(), 128);
    points.setCaption(QStringLiteral("Points : 1234567890"));
    QCOMPARE(points.geometry().left(), 128);
    QVERIFY(points.width() >= points.fontMetrics().horizontalAdvance(points.text()));
    QCOMPARE(points.Width(), 930.0f);
    points.setCaption(QStringLiteral("Points : 0"));
    QCOMPARE(points.width(), std::max(62, points.fontMetrics().horizontalAdvance(points.text()) + 1));
}

void GameLevel::loadingDrawsTheSpritesAndLeavesTheGameIdle()
{
    LoadedGame g;
    GameForm& form = g.game();
    QCOMPARE(g.rt.randomizeCalls, 1);
    QCOMPARE(form.Timer1()->Interval(), 15);
    QVERIFY(!g.timerOn());
    QCOMPARE(pictureArea(g.bug(), 0, 0, 100, 109), plainBug());
    QCOMPARE(pictureArea(g.bomb(0), 0, 0, 32, 32), plainBomb());
    QCOMPARE(form.bombElementCount(), 1);
    QVERIFY(!g.bug().Visible());
    QVERIFY(!g.bomb(0).Visible());
    QVERIFY(!form.Pauser()->isEnabled());
    QVERIFY(!form.Kill()->isEnabled());
    QVERIFY(form.TopTenView()->isEnabled());
    QVERIFY(form.OptionMenu()->isEnabled());
    QCOMPARE(form.LevBox()->Caption(), QStringLiteral("Level : 0"));
    QCOMPARE(form.PointBox()->Caption(), QStringLiteral("Points : 0"));
    QCOMPARE(ReadyCount, 0);
}

void GameLevel::loadingReadsTheStoredStartLevelAndStillBombs()
{
    TempDataHome home;
    ScopedScriptedRuntime scripted;
    ResetDeclarations();
    WriteRegValue(OptionsKey, QStringLiteral("Start Level"), QStringLiteral("7.5"));
    WriteRegValue(OptionsKey, QStringLiteral("Still Bombs"), QStringLiteral("5"));
    ResetTopTen();
    WriteRegValue(TopTenKey, QStringLiteral("Name One"), QStringLiteral("Ann"));
    ReadyCount = 9;
    Points = 40;
    GameForm form;
    form.setAttribute(Qt::WA_DeleteOnClose, false);
    form.Form_Load();
    QCOMPARE(StartLevelText, QStringLiteral("7.5"));
    QCOMPARE(Level, 8); // halves go to the even neighbour
    QCOMPARE(StillBombsText, QStringLiteral("5"));
    QCOMPARE(ReadyCount, 0);
    QCOMPARE(Points, 0);
    QCOMPARE(TopList[0].Name, QStringLiteral("Ann"));
    QCOMPARE(TopList[9].Score, QStringLiteral("0"));
    QCOMPARE(form.LevBox()->Caption(), QStringLiteral("Level : 0"));
    ResetDeclarations();
}

void GameLevel::aNewGameStartsAtTheStartLevelWithNoPoints()
{
    LoadedGame g(QStringLiteral(" 12 levels"));
    GameForm& form = g.game();
    Points = 77;
    g.game().setTag(QStringLiteral("69"));
    GodSoundPlayed = True;
    form.NewMenu_Click();
    QCOMPARE(Level, 12);
    QCOMPARE(Points, 0);
    QCOMPARE(ReadyCount, 1);
    QCOMPARE(GodSoundPlayed, False);
    QVERIFY(form.Tag().isEmpty());
    QCOMPARE(form.LevBox()->Caption(), QStringLiteral("Level : 12"));
    QCOMPARE(form.PointBox()->Caption(), QStringLiteral("Points : 0"));
    QVERIFY(g.timerOn());
    QVERIFY(form.Pauser()->isEnabled());
    QVERIFY(form.Kill()->isEnabled());
    QVERIFY(!form.TopTenView()->isEnabled());
    QVERIFY(!form.OptionMenu()->isEnabled());
    QVERIFY(form.NewMenu()->isEnabled());
    QVERIFY(form.ExitMenu()->isEnabled());
    QVERIFY(g.bug().Visible());
    for (int i = 0; i < 9; ++i)
        QVERIFY(g.bomb(i).Visible());

    // A new game during a game starts over at once.
    Points = 55;
    Level = 14;
    form.NewMenu_Click();
    QCOMPARE(Level, 12);
    QCOMPARE(Points, 0);
    QCOMPARE(ReadyCount, 2);
}

void GameLevel::pauseAndUnpauseSwitchTheTimerOnly()
{
    LoadedGame g;
    GameForm& form = g.game();
    form.NewMenu_Click();
    form.Pauser_Click();
    QCOMPARE(form.Pauser()->Caption(), QStringLiteral("Unpause"));
    QVERIFY(!g.timerOn());
    QVERIFY(form.Pauser()->isEnabled());
    QVERIFY(form.Kill()->isEnabled());
    QVERIFY(!form.TopTenView()->isEnabled());
    form.Pauser_Click();
    QCOMPARE(form.Pauser()->Caption(), QStringLiteral("Pause"));
    QVERIFY(g.timerOn());
}

void GameLevel::aNewGameWhilePausedRunsWithTheCaptionStillUnpause()
{
    LoadedGame g;
    GameForm& form = g.game();
    form.NewMenu_Click();
    form.Pauser_Click();
    form.NewMenu_Click();
    QVERIFY(g.timerOn());
    QCOMPARE(form.Pauser()->Caption(), QStringLiteral("Unpause"));
    form.Pauser_Click();
    QCOMPARE(form.Pauser()->Caption(), QStringLiteral("Pause"));
    QVERIFY(g.timerOn());
}

void GameLevel::selfDestructWhilePausedDoesNothing()
{
    LoadedGame g;
    GameForm& form = g.game();
    form.Kill_Click(); // between games
    QVERIFY(g.rt.sleeps.isEmpty());
    form.NewMenu_Click();
    form.Pauser_Click();
    form.Kill_Click();
    QVERIFY(g.rt.sleeps.isEmpty());
    QVERIFY(g.bug().Visible());
    form.Pauser_Click();
    form.Kill_Click();
    QCOMPARE(g.rt.sleeps, QList<int>{3700});
    QCOMPARE(pictureArea(g.bomb(0), 0, 0, 32, 32), explodedBomb());
}

void GameLevel::losingTheFocusDuringPlayPausesAsTheButtonDoes()
{
    LoadedGame g;
    GameForm& form = g.game();
    QWidget elsewhere;
    QVERIFY(activate(form));
    QVERIFY(activate(elsewhere)); // between games there is nothing to pause
    QCOMPARE(form.Pauser()->Caption(), QStringLiteral("Pause"));

    QVERIFY(activate(form));
    form.NewMenu_Click();
    QVERIFY(activate(elsewhere));
    QCOMPARE(form.Pauser()->Caption(), QStringLiteral("Unpause"));
    QVERIFY(!g.timerOn());
    QVERIFY(activate(form)); // coming back does not resume: Unpause or P does
    QVERIFY(!g.timerOn());
    QTest::keyClick(form.playfield(), Qt::Key_P);
    QCOMPARE(form.Pauser()->Caption(), QStringLiteral("Pause"));
    QVERIFY(g.timerOn());

    // Already paused: leaving changes nothing.
    form.Pauser_Click();
    QVERIFY(activate(elsewhere));
    QCOMPARE(form.Pauser()->Caption(), QStringLiteral("Unpause"));
    QVERIFY(!g.timerOn());

    // A new game started while paused runs under "Unpause"; leaving stops it all the same.
    QVERIFY(activate(form));
    form.NewMenu_Click();
    QVERIFY(g.timerOn());
    QVERIFY(activate(elsewhere));
    QVERIFY(!g.timerOn());
    QCOMPARE(form.Pauser()->Caption(), QStringLiteral("Unpause"));
    form.Pauser_Click();
    QCOMPARE(form.Pauser()->Caption(), QStringLiteral("Pause"));
    QVERIFY(g.timerOn());

    // A box the game opens itself, with its timer already off, changes nothing: the
    // congratulation takes the focus while the won level holds the timer off.
    QVERIFY(activate(form));
    g.clearBombsAwayFromBug();
    g.bug().setTop(575.0f);
    bool boxActive = false;
    g.rt.onMessage = [&](const ScriptedRuntime::MessageCall&) { boxActive = activate(elsewhere); };
    form.BombPic_KeyDown(0, 38, 0);
    QVERIFY(boxActive);
    QCOMPARE(form.LevBox()->Caption(), QStringLiteral("Level : 2"));
    QCOMPARE(form.Pauser()->Caption(), QStringLiteral("Pause"));
    QVERIFY(g.timerOn());
}

void GameLevel::setupsKeepEveryGroupApartWithinItsRanges()
{
    for (const char* still : {"3", "4", "6"}) {
        LoadedGame g(QStringLiteral("1"), QString::fromLatin1(still));
        const int last = 5 + 3 + (still[0] - '3');
        for (int setup = 0; setup < 150; ++setup) {
            g.rt.seed(uint32_t(1 + setup * 7919));
            g.game().NewMenu_Click();
            QCOMPARE(g.bug().Left(), 4025.0f);
            QCOMPARE(g.bug().Top(), 5040.0f);
            checkGroupApart(g, 0, 2);
            checkGroupApart(g, 3, 5);
            checkGroupApart(g, 6, last);
            for (int i = 0; i <= last; ++i) {
                PictureBox& b = g.bomb(i);
                QCOMPARE(b.Left(), std::floor(b.Left()));
                QVERIFY(b.Top() >= 0.0f);
                if (i <= 2) {
                    QVERIFY(b.Left() >= 0.0f && b.Left() <= 1499.0f && b.Top() <= 5999.0f);
                } else if (i <= 5) {
                    QVERIFY(b.Left() >= 6750.0f && b.Left() <= TestWidth - 500.0f && b.Top() <= 5999.0f);
                } else {
                    QVERIFY(b.Left() >= 0.0f && b.Left() <= TestWidth - 501.0f && b.Top() <= 3999.0f);
                    // Still bombs stay above the bug's start.
                    QVERIFY(b.Top() + b.Height() <= 5040.0f);
                }
            }
        }
    }
}

void GameLevel::bombElementsAreCreatedOncePerLoadedWindow()
{
    LoadedGame g(QStringLiteral("1"), QStringLiteral("5"));
    g.game().NewMenu_Click();
    QCOMPARE(g.game().bombElementCount(), 11);
    QVERIFY(g.game().BombPic(10) != nullptr);
    QVERIFY(g.game().BombPic(11) == nullptr);
    PictureBox* tenth = g.game().BombPic(10);
    g.game().NewMenu_Click();
    QCOMPARE(g.game().bombElementCount(), 11);
    QCOMPARE(g.game().BombPic(10), tenth);

    // A new window starts from element 0 alone and makes them again.
    g.form = std::make_unique<GameForm>();
    g.game().setSoundPlayer([](const QString&) {});
    g.game().Form_Load();
    g.game().setOuterSizeForTest(TestWidth, TestHeight);
    StillBombsText = QStringLiteral("6");
    QCOMPARE(g.game().bombElementCount(), 1);
    g.game().NewMenu_Click();
    QCOMPARE(g.game().bombElementCount(), 12);
    // Each element is made like element 0's design: its own picture, plain bomb drawn in.
    QCOMPARE(g.bomb(11).Width(), 480.0f);
    QCOMPARE(pictureArea(g.bomb(11), 0, 0, 32, 32), plainBomb());
}

void GameLevel::aSetupThatFindsItsElementsAlreadyMadeIsAnError()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    ReadyCount = 0;
    try {
        g.game().NewMenu_Click();
        QFAIL("elements made twice");
    } catch (const RuntimeErrorRaised& error) {
        QCOMPARE(error.code, 360);
    }
}

void GameLevel::anOverlappingPairIsPlacedAgainFirstElementFirstAndTheTestStartsOver()
{
    LoadedGame g;
    // Draws, two per placement (top, then left); W - 500 = 8560.
    g.rt.randomValues = {
        0.0f, 0.0f,          // bomb 0 at 0, 0
        0.5f, 0.5f,          // bomb 1 at 750, 3000
        0.5f, 0.5f + 0.0002f, // bomb 2 on bomb 1: pass 2 will find (1, 2)
        0.0f, 0.0f,          // bomb 3
        0.5f, 0.0f,          // bomb 4
        0.9f, 0.0f,          // bomb 5
        0.0f, 0.0f,          // still 6
        0.5f, 0.0f,          // still 7
        0.0f, 0.5f,          // still 8
        0.0f, 0.1f,          // bomb 1 again: 150, 0, onto bomb 0 -> back to pass 1
        0.75f, 0.75f,        // bomb 2 again: 1125, 4500
        0.0f, 0.0f,          // bomb 0 again (pass 1 found (0, 1)): 0, 0
        0.25f, 0.5f,         // bomb 1 again: 750, 1500
    };
    g.game().NewMenu_Click();
    QVERIFY(g.rt.randomValues.empty());
    QCOMPARE(g.rt.randomDraws, 26);
    QCOMPARE(g.bomb(0).Left(), 0.0f);
    QCOMPARE(g.bomb(0).Top(), 0.0f);
    QCOMPARE(g.bomb(1).Left(), 750.0f);
    QCOMPARE(g.bomb(1).Top(), 1500.0f);
    QCOMPARE(g.bomb(2).Left(), 1125.0f);
    QCOMPARE(g.bomb(2).Top(), 4500.0f);
}

void GameLevel::stillBombsThatOverlapArePlacedAgainWithoutTouchingTheMovingOnes()
{
    LoadedGame g;
    g.rt.randomValues = {
        0.0f, 0.0f, 0.3f, 0.0f, 0.6f, 0.0f, // left bombs apart
        0.0f, 0.0f, 0.3f, 0.0f, 0.6f, 0.0f, // right bombs apart
        0.0f, 0.5f,                         // still 6
        0.5f, 0.5f,                         // still 7
        0.5f, 0.5f,                         // still 8 on 7: pass 6 finds (7, 8)
        0.0f, 0.5f,                         // 7 again, onto 6 -> back to pass 5
        0.5f, 0.0f,                         // 8 again
        0.5f, 0.875f,                       // 6 again
        0.875f, 0.125f,                     // 7 again
    };
    g.game().NewMenu_Click();
    QVERIFY(g.rt.randomValues.empty());
    QCOMPARE(g.rt.randomDraws, 26);
    QCOMPARE(g.bomb(6).Left(), 7490.0f);
    QCOMPARE(g.bomb(7).Top(), 3500.0f);
    QCOMPARE(g.bomb(7).Left(), 1070.0f);
    QCOMPARE(g.bomb(8).Top(), 2000.0f);
    QCOMPARE(g.bomb(8).Left(), 0.0f);
}

void GameLevel::placementsAtTheEndsOfTheRandomRange()
{
    LoadedGame g;
    PictureBox& pic = g.bomb(0);
    g.rt.randomValues = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    g.game().NewStill(pic);
    QCOMPARE(pic.Top(), 0.0f);
    QCOMPARE(pic.Left(), 0.0f);
    g.game().NewLeft(pic);
    QCOMPARE(pic.Left(), 0.0f);
    g.game().NewRight(pic);
    QCOMPARE(pic.Left(), 6750.0f);

    g.rt.randomValues = {JustBelowOne, JustBelowOne, JustBelowOne, JustBelowOne, JustBelowOne,
                         JustBelowOne};
    g.game().NewStill(pic);
    QCOMPARE(pic.Top(), 3999.0f);
    QCOMPARE(pic.Left(), TestWidth - 501.0f);
    g.game().NewLeft(pic);
    QCOMPARE(pic.Top(), 5999.0f);
    QCOMPARE(pic.Left(), 1499.0f);
    g.game().NewRight(pic);
    QCOMPARE(pic.Top(), 5999.0f);
    QCOMPARE(pic.Left(), TestWidth - 500.0f);

    // The range follows the window's width at the moment of the call.
    g.game().setOuterSizeForTest(12000.0f, TestHeight);
    g.rt.randomValues = {0.0f, JustBelowOne};
    g.game().NewRight(pic);
    QCOMPARE(pic.Left(), 11500.0f);
}

void GameLevel::aPlacementShowsThePlainBombAgain()
{
    LoadedGame g;
    PictureBox& pic = g.bomb(0);
    BitBlt(pic, 0, 0, 32, 32, *g.game().BombSrc(), 32, 0);
    QVERIFY(!pic.Visible());
    g.game().NewLeft(pic);
    QVERIFY(pic.Visible());
    QCOMPARE(pictureArea(pic, 0, 0, 32, 32), plainBomb());
    QVERIFY(plainBomb() != explodedBomb());
}

void GameLevel::optionsHandsOverToTheOptionsWindowAndUnloadsTheGame()
{
    TempDataHome home;
    ScopedScriptedRuntime scripted;
    ResetDeclarations();
    GameForm* form = ShowGameForm();
    QVERIFY(form);
    QPointer<GameForm> watch(form);
    const qint64 firstButtonPalette = form->Pauser()->palette().cacheKey();
    form->OptionMenu_Click();
    QVERIFY(LoadedOptionsFrm() != nullptr);
    QVERIFY(LoadedGameForm() == nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(watch.isNull());
    UnloadOptionsFrm();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The style keeps its button pictures by palette: the window loaded again must paint its
    // buttons with the same palette, or every trip through the options would leave a set of
    // cached pictures behind.
    GameForm* again = ShowGameForm();
    QCOMPARE(again->Pauser()->palette().cacheKey(), firstButtonPalette);
    QCOMPARE(again->palette().color(QPalette::Window), QColor(192, 192, 192));
    QCOMPARE(again->Pauser()->palette().color(QPalette::Button), QColor(192, 192, 192));
    UnloadGameForm();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ResetDeclarations();
}

void GameLevel::viewTopTenOpensTheListBesideTheGame()
{
    TempDataHome home;
    ScopedScriptedRuntime scripted;
    ResetDeclarations();
    GameForm* form = ShowGameForm();
    form->TopTenView_Click();
    QVERIFY(LoadedTopTen() != nullptr);
    QCOMPARE(LoadedGameForm(), form);
    EndProgram();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(LoadedGameForm() == nullptr);
    ResetDeclarations();
}

void GameLevel::aControllerPlaysWithTheGamesKeysAndPullingItOutPauses()
{
    LoadedGame g;
    GameForm& form = g.game();
    QVERIFY(activate(form));
    PluggedPad pad([&form] { return GamePlayOf(&form); });
    QObject::connect(pad.keys.get(), &ControllerKeys::controllerPulledOut, &form,
                     [&form] { form.pauseOnFocusLoss(); });
    QSignalSpy topTen(&form.handOver(), &HandOver::topTenWanted);

    pad.click(SDL_CONTROLLER_BUTTON_Y); // Ctrl+H between games
    QTRY_COMPARE(topTen.size(), 1);
    pad.click(SDL_CONTROLLER_BUTTON_START); // Ctrl+N between games
    QTRY_VERIFY(g.timerOn());
    QCOMPARE(form.LevBox()->Caption(), QStringLiteral("Level : 1"));

    g.clearBombsAwayFromBug();
    const float top = g.bug().Top();
    for (int press = 0; press < 4; ++press)
        pad.click(SDL_CONTROLLER_BUTTON_DPAD_UP);
    QTRY_COMPARE(g.bug().Top(), top - 4 * 125.0f);

    pad.click(SDL_CONTROLLER_BUTTON_START); // P during a level
    QTRY_COMPARE(form.Pauser()->Caption(), QStringLiteral("Unpause"));
    QVERIFY(!g.timerOn());
    pad.click(SDL_CONTROLLER_BUTTON_START);
    QTRY_VERIFY(g.timerOn());

    pad.pad->unplug();
    pad.keys->read();
    QTRY_VERIFY(!g.timerOn());
    QCOMPARE(form.Pauser()->Caption(), QStringLiteral("Unpause"));

    // Plugged in again: Back opens the Game menu and B closes it; there the D-pad and A
    // move and choose as the arrow keys and Return do.
    pad.pad = std::make_unique<VirtualPad>();
    pad.keys->read();
    // (Held until the menu shows, and the window made active again once it has gone: the
    // test's platform without a screen gives a menu the focus of a window of its own.)
    pad.hold(SDL_CONTROLLER_BUTTON_BACK);
    QTRY_VERIFY(form.FileMenu()->isVisible());
    pad.letGo(SDL_CONTROLLER_BUTTON_BACK);
    pad.click(SDL_CONTROLLER_BUTTON_B);
    QTRY_VERIFY(!form.FileMenu()->isVisible());
    QVERIFY(!g.timerOn());
    QVERIFY(activate(form));
    pad.hold(SDL_CONTROLLER_BUTTON_BACK);
    QTRY_VERIFY(form.FileMenu()->isVisible());
    pad.letGo(SDL_CONTROLLER_BUTTON_BACK);
    pad.click(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    pad.click(SDL_CONTROLLER_BUTTON_DPAD_UP);
    pad.click(SDL_CONTROLLER_BUTTON_A); // "&New Game", while paused
    QTRY_VERIFY(g.timerOn());
    QVERIFY(!form.FileMenu()->isVisible());
    QCOMPARE(g.bug().Top(), top);
}

void GameLevel::aHeldDirectionOnAControllerRepeatsAsAHeldKeyDoes()
{
    LoadedGame g;
    GameForm& form = g.game();
    QVERIFY(activate(form));
    PluggedPad pad([&form] { return GamePlayOf(&form); });
    RepeatCount count;
    form.playfield()->installEventFilter(&count);
    form.NewMenu_Click();
    g.clearBombsAwayFromBug();
    const float left = g.bug().Left();

    pad.hold(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    QTRY_VERIFY(count.repeats >= 2);
    pad.letGo(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    QTRY_VERIFY(g.bug().Left() >= left + 3 * 125.0f);
}

void GameLevel::bOnAControllerClosesTheTopTenAndCancelsTheOptions()
{
    TempDataHome home;
    ScopedScriptedRuntime scripted;
    ResetDeclarations();
    PluggedPad pad([] { return GamePlayOf(LoadedGameForm()); });
    GameForm* form = ShowGameForm();
    form->TopTenView_Click();
    QVERIFY(activate(*LoadedTopTen()));
    pad.click(SDL_CONTROLLER_BUTTON_B);
    QTRY_VERIFY(LoadedTopTen() == nullptr);

    form->OptionMenu_Click();
    QVERIFY(activate(*LoadedOptionsFrm()));
    pad.click(SDL_CONTROLLER_BUTTON_B);
    QTRY_VERIFY(LoadedOptionsFrm() == nullptr);
    QVERIFY(LoadedGameForm() != nullptr); // Cancel hands back to the game
    EndProgram();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ResetDeclarations();
}

QTEST_MAIN(GameLevel)
#include "test_game_level.moc"
