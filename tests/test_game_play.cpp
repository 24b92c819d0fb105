// SPDX-License-Identifier: GPL-3.0-or-later
// Play in the game window: the keys that steer the bug, the won level, the tick that moves
// the bombs and ends the game, and the hidden invincibility mode.

#include "test_game_support.h"

#include "StandardErrorCapture.h"

#include "app/Forms.h"
#include "app/FullScreen.h"
#include "game/Playfield.h"
#include "platform/PictureBox.h"
#include "platform/Twips.h"
#include "shared/Numbers.h"

#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <limits>
#include <numeric>

namespace {
constexpr int16_t Left = 37;
constexpr int16_t Up = 38;
constexpr int16_t Right = 39;
constexpr int16_t Down = 40;
constexpr int16_t E = 69;
constexpr int16_t R = 82;
constexpr int16_t F = 70;
const QString Marker = QStringLiteral("698270");

void press(GameForm& form, int16_t key, int times = 1)
{
    for (int i = 0; i < times; ++i)
        form.BombPic_KeyDown(0, key, 0);
}
} // namespace

class GamePlay : public QObject {
    Q_OBJECT
private slots:
    void upFromTop575WinsAtOnce();
    void upFromTop576NeedsASecondPress();
    void upAtTheTopDoesNotMoveButWins();
    void downStopsAboveTheWindowBottom();
    void leftAndRightStopShortOfTheWalls();
    void anyKeyIsIgnoredWhileTheTimerIsOff();
    void theHiddenModeKeysSpellTheMarker();
    void aWrongPressBeforeTheMarkerKeepsTheModeAway();
    void keyPressesOnTheWindowReachTheGame();
    void autoRepeatedPressesEachMoveTheBug();
    void pOrThePauseKeyPressesPauseOnlyWhileItIsEnabled();
    void ctrlNQAndHChooseTheirMenuItemsOnlyWhileEnabled();
    void winningLevelOneFromNothingCongratulatesAndScoresTen();
    void theWinWaitSleepsAtLeastOnePointNineSeconds();
    void winningPastTheLargestLevelIsAnOverflow();
    void aLeftBombAtTheRightMarginReturnsLeft();
    void aLeftBombJustShortOfTheMarginMovesOnce();
    void aRightBombAtLeftOneReturnsAndAtTwoMovesOnceMore();
    void aReturningRightBombLandsAtMostAtTheMargin();
    void atLevelZeroTheBombsStandStill();
    void theStepOverflowsAtLevel306783379();
    void twoBombsOnTheBugEndTheGameOnceForTheLowerIndex();
    void boxesThatOnlyTouchDoNotEndTheGame();
    void aFourthStillBombIsTestedOnlyWhenAsked();
    void theHiddenModeIsInvincibleAndSoundsOncePerGame();
    void aTickRepaintsOnlyWhereTheMovingBombsWereAndAre();
    void offXQtPaintsTheFieldAndTheTraceSaysWhyOnce();
    void aSpriteShowsTheWallAndTheBugAroundItsShape();
    void picturesAndControlsStandAtTheirTwipsOverFifteenHalvesAwayFromZero_data();
    void picturesAndControlsStandAtTheirTwipsOverFifteenHalvesAwayFromZero();
    void aZoomDuringPlayGrowsTheWindowAndItsSpritesButNoTwips();
    void fullScreenShowsTheFormAtTheLargestZoomThatFitsAndComesBack();
    void theOverlapTestFollowsTheRectangleRule_data();
    void theOverlapTestFollowsTheRectangleRule();
};

void GamePlay::upFromTop575WinsAtOnce()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    g.clearBombsAwayFromBug();
    g.bug().setTop(575.0f);
    press(g.game(), Up);
    QCOMPARE(g.rt.messages.size(), 1);
    QCOMPARE(Level, 2);
}

void GamePlay::upFromTop576NeedsASecondPress()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    g.bug().setTop(576.0f);
    press(g.game(), Up);
    QCOMPARE(g.bug().Top(), 451.0f);
    QCOMPARE(g.rt.messages.size(), 0);
    QVERIFY(g.timerOn());
    press(g.game(), Up);
    QCOMPARE(g.rt.messages.size(), 1);
    QCOMPARE(Level, 2);
}

void GamePlay::upAtTheTopDoesNotMoveButWins()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    g.bug().setTop(50.0f);
    int topSeenInBox = 0;
    g.rt.onMessage = [&](const ScriptedRuntime::MessageCall&) { topSeenInBox = int(g.bug().Top()); };
    press(g.game(), Up);
    QCOMPARE(topSeenInBox, 50);
    QCOMPARE(g.rt.messages.size(), 1);
    // The next level starts the bug again from the bottom.
    QCOMPARE(g.bug().Top(), 5040.0f);
    QCOMPARE(g.bug().Left(), 4025.0f);
}

void GamePlay::downStopsAboveTheWindowBottom()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    press(g.game(), Down, 20);
    // Moves while its bottom is above 7720 - 500: 5040 + 5 x 125.
    QCOMPARE(g.bug().Top(), 5665.0f);

    // The bound follows the window's current height.
    g.game().setOuterSizeForTest(TestWidth, 9000.0f);
    press(g.game(), Down, 20);
    QCOMPARE(g.bug().Top(), 6915.0f);
}

void GamePlay::leftAndRightStopShortOfTheWalls()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    press(g.game(), Left, 40);
    QCOMPARE(g.bug().Left(), 650.0f);
    QVERIFY(g.bug().Left() > g.game().Line1().X1);
    press(g.game(), Right, 80);
    QCOMPARE(g.bug().Left(), 7275.0f);
    QVERIFY(g.bug().Left() + g.bug().Width() < g.game().Line2().X1);
}

void GamePlay::anyKeyIsIgnoredWhileTheTimerIsOff()
{
    LoadedGame g;
    // Before the first game.
    press(g.game(), E);
    press(g.game(), Up);
    QVERIFY(g.game().Tag().isEmpty());

    g.game().NewMenu_Click();
    g.game().Pauser_Click();
    const float top = g.bug().Top();
    for (int16_t key : {Up, Down, Left, Right, E, R, F})
        press(g.game(), key);
    QCOMPARE(g.bug().Top(), top);
    QCOMPARE(g.bug().Left(), 4025.0f);
    QVERIFY(g.game().Tag().isEmpty());

    // After game over.
    g.game().Pauser_Click();
    g.game().EndGame(g.bomb(0));
    press(g.game(), E);
    press(g.game(), Up);
    QVERIFY(g.game().Tag().isEmpty());
    QCOMPARE(g.rt.messages.size(), 0);
}

void GamePlay::theHiddenModeKeysSpellTheMarker()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    press(g.game(), E);
    QCOMPARE(g.game().Tag(), QStringLiteral("69"));
    press(g.game(), 65); // another letter leaves the buffer alone
    press(g.game(), Up);
    press(g.game(), R);
    press(g.game(), F);
    QCOMPARE(g.game().Tag(), Marker);
    press(g.game(), E);
    press(g.game(), F);
    QCOMPARE(g.game().Tag(), Marker);

    g.game().NewMenu_Click();
    QVERIFY(g.game().Tag().isEmpty());
}

void GamePlay::aWrongPressBeforeTheMarkerKeepsTheModeAway()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    press(g.game(), F);
    for (int16_t key : {E, R, F})
        press(g.game(), key);
    QCOMPARE(g.game().Tag(), QStringLiteral("70698270"));
    g.putOnBug(0);
    g.game().Timer1_Timer();
    QVERIFY(!g.timerOn());
    QCOMPARE(g.rt.sleeps, QList<int>{3700});
}

void GamePlay::keyPressesOnTheWindowReachTheGame()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    QTest::keyClick(&g.game(), Qt::Key_Up);
    QCOMPARE(g.bug().Top(), 4915.0f);
    QTest::keyClick(g.game().playfield(), Qt::Key_Left);
    QCOMPARE(g.bug().Left(), 3900.0f);
    QTest::keyClick(&g.game(), Qt::Key_Down);
    QTest::keyClick(&g.game(), Qt::Key_Right);
    QCOMPARE(g.bug().Top(), 5040.0f);
    QCOMPARE(g.bug().Left(), 4025.0f);
    QTest::keyClick(g.game().playfield(), Qt::Key_E);
    QTest::keyClick(g.game().playfield(), Qt::Key_R, Qt::ShiftModifier);
    QTest::keyClick(&g.game(), Qt::Key_F);
    QCOMPARE(g.game().Tag(), Marker);
    // Tab moves no focus away from the field: it is a key like any other.
    QTest::keyClick(g.game().playfield(), Qt::Key_Tab);
    QTest::keyClick(g.game().playfield(), Qt::Key_Up);
    QCOMPARE(g.bug().Top(), 4915.0f);
}

void GamePlay::autoRepeatedPressesEachMoveTheBug()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    for (int i = 0; i < 3; ++i) {
        QKeyEvent held(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), i > 0);
        QApplication::sendEvent(g.game().playfield(), &held);
    }
    QCOMPARE(g.bug().Top(), 5040.0f - 3 * 125.0f);
}

void GamePlay::pOrThePauseKeyPressesPauseOnlyWhileItIsEnabled()
{
    LoadedGame g;
    FormButton* pauser = g.game().Pauser();
    QWidget* field = g.game().playfield();
    QTest::keyClick(field, Qt::Key_P); // between games the button is disabled
    QCOMPARE(pauser->Caption(), QStringLiteral("Pause"));
    QVERIFY(!g.timerOn());

    g.game().NewMenu_Click();
    QTest::keyClick(field, Qt::Key_P);
    QCOMPARE(pauser->Caption(), QStringLiteral("Unpause"));
    QVERIFY(!g.timerOn());
    // A held key presses the button once.
    QKeyEvent held(QEvent::KeyPress, Qt::Key_P, Qt::NoModifier, QStringLiteral("p"), true);
    QApplication::sendEvent(field, &held);
    QCOMPARE(pauser->Caption(), QStringLiteral("Unpause"));
    QTest::keyClick(&g.game(), Qt::Key_Pause);
    QCOMPARE(pauser->Caption(), QStringLiteral("Pause"));
    QVERIFY(g.timerOn());

    // The game's own keys keep their meaning around it.
    QTest::keyClick(field, Qt::Key_E);
    QTest::keyClick(field, Qt::Key_P, Qt::ShiftModifier);
    QTest::keyClick(field, Qt::Key_P);
    QTest::keyClick(field, Qt::Key_R);
    QTest::keyClick(field, Qt::Key_Up);
    QCOMPARE(g.game().Tag(), QStringLiteral("6982"));
    QCOMPARE(g.bug().Top(), 4915.0f);
    QCOMPARE(pauser->Caption(), QStringLiteral("Pause"));
}

void GamePlay::ctrlNQAndHChooseTheirMenuItemsOnlyWhileEnabled()
{
    LoadedGame g;
    GameForm& game = g.game();
    game.show();
    QApplication::setActiveWindow(&game);
    QVERIFY(QTest::qWaitForWindowActive(&game, WindowWaitMs));
    QSignalSpy topTen(&game.handOver(), &HandOver::topTenWanted);
    QSignalSpy end(&game.handOver(), &HandOver::endWanted);
    QWidget* field = game.playfield();

    QTest::keyClick(field, Qt::Key_H, Qt::ControlModifier);
    QCOMPARE(topTen.size(), 1);
    QTest::keyClick(field, Qt::Key_N, Qt::ControlModifier);
    QVERIFY(g.timerOn());
    QCOMPARE(game.LevBox()->Caption(), QStringLiteral("Level : 1"));
    // The top ten is out of reach during a game, as its menu item is.
    QTest::keyClick(field, Qt::Key_H, Qt::ControlModifier);
    QCOMPARE(topTen.size(), 1);
    QTest::keyClick(field, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(end.size(), 1);
    // The menu shows its own texts, no keys beside them.
    for (QAction* item : game.FileMenu()->actions())
        QVERIFY(item->shortcut().isEmpty() && !item->text().contains(u'\t'));
    QCOMPARE(game.NewMenu()->text(), QStringLiteral("&New Game"));
}

void GamePlay::winningLevelOneFromNothingCongratulatesAndScoresTen()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    QCOMPARE(g.game().LevBox()->Caption(), QStringLiteral("Level : 1"));
    g.bug().setTop(575.0f);

    bool timerDuring = true, pauserDuring = true, killDuring = true;
    QString levelDuring;
    QStringList soundsBeforeBox;
    g.rt.onMessage = [&](const ScriptedRuntime::MessageCall&) {
        timerDuring = g.timerOn();
        pauserDuring = g.game().Pauser()->isEnabled();
        killDuring = g.game().Kill()->isEnabled();
        levelDuring = g.game().LevBox()->Caption();
        soundsBeforeBox = g.sounds;
    };
    press(g.game(), Up);

    QCOMPARE(g.rt.messages.size(), 1);
    QCOMPARE(g.rt.messages[0].text, QStringLiteral("Congradulations, you beat level 1!!!"));
    QCOMPARE(g.rt.messages[0].title, QStringLiteral("Crawlix"));
    QVERIFY(g.rt.messages[0].buttons == Runtime::Buttons::Ok);
    QVERIFY(!timerDuring);
    QVERIFY(!pauserDuring);
    QVERIFY(!killDuring);
    QCOMPARE(levelDuring, QStringLiteral("Level : 1"));
    QCOMPARE(soundsBeforeBox, QStringList{g.rt.applicationPath + QStringLiteral("/halleluj.wav")});

    QCOMPARE(g.game().LevBox()->Caption(), QStringLiteral("Level : 2"));
    QCOMPARE(g.game().PointBox()->Caption(), QStringLiteral("Points : 10"));
    QCOMPARE(ReadyCount, 2);
    QVERIFY(g.timerOn());
    QVERIFY(g.game().Pauser()->isEnabled());
    QVERIFY(g.game().Kill()->isEnabled());
    QVERIFY(!g.game().TopTenView()->isEnabled());
    QVERIFY(!g.game().OptionMenu()->isEnabled());

    // Level 2 earns 15 more.
    g.bug().setTop(575.0f);
    press(g.game(), Up);
    QCOMPARE(g.rt.messages[1].text, QStringLiteral("Congradulations, you beat level 2!!!"));
    QCOMPARE(g.game().PointBox()->Caption(), QStringLiteral("Points : 25"));
}

void GamePlay::theWinWaitSleepsAtLeastOnePointNineSeconds()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    g.bug().setTop(400.0f);
    double clockAtBox = 0;
    const double before = g.rt.clockSeconds;
    g.rt.onMessage = [&](const ScriptedRuntime::MessageCall&) { clockAtBox = g.rt.clockSeconds; };
    press(g.game(), Up);
    QVERIFY(!g.rt.sleeps.isEmpty());
    QVERIFY(std::accumulate(g.rt.sleeps.begin(), g.rt.sleeps.end(), 0) >= 1900);
    QVERIFY(clockAtBox - before >= 1.9);
    // The wait does not drag on: well under a second more than asked.
    QVERIFY(clockAtBox - before < 2.0);
    QCOMPARE(g.rt.doEventsCalls, 0);
}

void GamePlay::winningPastTheLargestLevelIsAnOverflow()
{
    LoadedGame g(QStringLiteral("2147483647"));
    g.game().NewMenu_Click();
    g.bug().setTop(575.0f);
    try {
        press(g.game(), Up);
        QFAIL("no overflow");
    } catch (const RuntimeErrorRaised& error) {
        QCOMPARE(error.code, 6);
    }
}

void GamePlay::aLeftBombAtTheRightMarginReturnsLeft()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    g.clearBombsAwayFromBug();
    g.bomb(0).setLeft(TestWidth - 500.0f);
    g.rt.randomValues = {0.5f, 0.25f};
    g.game().Timer1_Timer();
    QCOMPARE(g.bomb(0).Top(), 3000.0f);
    QCOMPARE(g.bomb(0).Left(), 375.0f);
    QVERIFY(g.rt.randomValues.empty());
}

void GamePlay::aLeftBombJustShortOfTheMarginMovesOnce()
{
    LoadedGame g(QStringLiteral("3"));
    g.game().NewMenu_Click();
    g.clearBombsAwayFromBug();
    g.bomb(1).setLeft(TestWidth - 501.0f);
    const int drawsBefore = g.rt.randomDraws;
    g.game().Timer1_Timer();
    QCOMPARE(g.bomb(1).Left(), TestWidth - 501.0f + 21.0f);
    QCOMPARE(g.rt.randomDraws, drawsBefore);
}

void GamePlay::aRightBombAtLeftOneReturnsAndAtTwoMovesOnceMore()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    g.clearBombsAwayFromBug();
    g.bomb(3).setLeft(1.0f);
    g.bomb(4).setLeft(2.0f);
    g.rt.randomValues = {0.0f, 0.0f};
    g.game().Timer1_Timer();
    QCOMPARE(g.bomb(3).Top(), 0.0f);
    QCOMPARE(g.bomb(3).Left(), 6750.0f);
    QCOMPARE(g.bomb(4).Left(), -5.0f);
    QVERIFY(g.rt.randomValues.empty());

    g.rt.randomValues = {0.5f, 0.0f};
    g.game().Timer1_Timer();
    QCOMPARE(g.bomb(4).Top(), 3000.0f);
    QCOMPARE(g.bomb(4).Left(), 6750.0f);
}

void GamePlay::aReturningRightBombLandsAtMostAtTheMargin()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    g.clearBombsAwayFromBug();
    g.bomb(5).setLeft(-3.0f);
    const float justBelowOne = std::nextafter(1.0f, 0.0f);
    g.rt.randomValues = {justBelowOne, justBelowOne};
    g.game().Timer1_Timer();
    QCOMPARE(g.bomb(5).Top(), 5999.0f);
    QCOMPARE(g.bomb(5).Left(), TestWidth - 500.0f);
}

void GamePlay::atLevelZeroTheBombsStandStill()
{
    LoadedGame g{QString()};
    g.game().NewMenu_Click();
    QCOMPARE(Level, 0);
    g.clearBombsAwayFromBug();
    for (int tick = 0; tick < 50; ++tick)
        g.game().Timer1_Timer();
    for (int i = 0; i < 6; ++i)
        QCOMPARE(g.bomb(i).Left(), float(700 + 600 * i));
    QVERIFY(g.timerOn());
}

void GamePlay::theStepOverflowsAtLevel306783379()
{
    LoadedGame g(QStringLiteral("306783379"));
    g.game().NewMenu_Click();
    g.clearBombsAwayFromBug();
    try {
        g.game().Timer1_Timer();
        QFAIL("no overflow");
    } catch (const RuntimeErrorRaised& error) {
        QCOMPARE(error.code, 6);
    }
    // The step is formed before any bomb moves.
    QCOMPARE(g.bomb(0).Left(), 700.0f);
}

void GamePlay::twoBombsOnTheBugEndTheGameOnceForTheLowerIndex()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    g.clearBombsAwayFromBug();
    g.putOnBug(7);
    g.putOnBug(4);
    g.game().Timer1_Timer();
    QVERIFY(!g.timerOn());
    QCOMPARE(g.rt.sleeps, QList<int>{3700});
    QCOMPARE(g.sounds, QStringList{QStringLiteral("explode.wav")});
    QCOMPARE(pictureArea(g.bomb(4), 0, 0, 32, 32), explodedBomb());
    QCOMPARE(pictureArea(g.bomb(7), 0, 0, 32, 32), plainBomb());
}

void GamePlay::boxesThatOnlyTouchDoNotEndTheGame()
{
    LoadedGame g(QStringLiteral("0"));
    g.game().NewMenu_Click();
    g.clearBombsAwayFromBug();
    // Still bombs against each side of the bug, edge to edge.
    g.bomb(6).move(g.bug().Left() - 480.0f, g.bug().Top());
    g.bomb(7).move(g.bug().Left() + 1500.0f, g.bug().Top());
    g.bomb(8).move(g.bug().Left(), g.bug().Top() - 480.0f);
    g.game().Timer1_Timer();
    QVERIFY(g.timerOn());
    // Half a twip further in: the right edge 4025.5 rounds to 4026, into the bug.
    g.bomb(6).setLeft(g.bug().Left() - 479.5f);
    g.game().Timer1_Timer();
    QVERIFY(!g.timerOn());
}

void GamePlay::aFourthStillBombIsTestedOnlyWhenAsked()
{
    {
        LoadedGame g(QStringLiteral("1"), QStringLiteral("4"));
        g.game().NewMenu_Click();
        g.clearBombsAwayFromBug();
        g.putOnBug(9);
        g.game().Timer1_Timer();
        QVERIFY(!g.timerOn());
    }
    {
        // "3.5" is more than 3: a fourth still bomb, compared unrounded.
        LoadedGame g(QStringLiteral("1"), QStringLiteral("3.5"));
        g.game().NewMenu_Click();
        QCOMPARE(g.game().bombElementCount(), 10);
        g.clearBombsAwayFromBug();
        g.putOnBug(9);
        g.game().Timer1_Timer();
        QVERIFY(!g.timerOn());
    }
}

void GamePlay::theHiddenModeIsInvincibleAndSoundsOncePerGame()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    for (int16_t key : {E, R, F})
        press(g.game(), key);
    g.clearBombsAwayFromBug();
    g.putOnBug(0);
    g.putOnBug(8);
    const QString godSound = g.rt.applicationPath + QStringLiteral("/god.wav");
    for (int tick = 0; tick < 5; ++tick)
        g.game().Timer1_Timer();
    QVERIFY(g.timerOn());
    QCOMPARE(g.sounds, QStringList{godSound});
    QCOMPARE(GodSoundPlayed, True);

    // Self destruct still works in the hidden mode.
    g.game().Kill_Click();
    QVERIFY(!g.timerOn());
    QCOMPARE(pictureArea(g.bomb(0), 0, 0, 32, 32), explodedBomb());

    // A new game must be told again, and sounds again.
    g.game().NewMenu_Click();
    QCOMPARE(GodSoundPlayed, False);
    g.clearBombsAwayFromBug();
    g.game().Timer1_Timer();
    for (int16_t key : {E, R, F})
        press(g.game(), key);
    g.game().Timer1_Timer();
    g.game().Timer1_Timer();
    QCOMPARE(g.sounds.count(godSound), 2);
}

void GamePlay::offXQtPaintsTheFieldAndTheTraceSaysWhyOnce()
{
    StandardErrorCapture said;
    qputenv("CRAWLIX_TRACE", "1");
    for (int window = 0; window < 2; ++window) {
        LoadedGame g;
        g.game().show();
        QVERIFY(QTest::qWaitForWindowExposed(&g.game(), WindowWaitMs));
    }
    qunsetenv("CRAWLIX_TRACE");
    const QString why = QStringLiteral("crawlix-trace: playfield: painted by Qt: the window system is offscreen, not X");
    QVERIFY2(said.linesWith(why) == 1, qPrintable(said.text()));
}

void GamePlay::aTickRepaintsOnlyWhereTheMovingBombsWereAndAre()
{
    LoadedGame g(QStringLiteral("10"), QStringLiteral("6"));
    g.game().show();
    QVERIFY(QTest::qWaitForWindowExposed(&g.game(), WindowWaitMs));
    g.game().NewMenu_Click();
    g.game().Timer1()->setEnabled(false);
    QTest::qWait(20);

    QRegion expected;
    std::array<QRect, 6> before;
    for (int i = 0; i < 6; ++i)
        before[size_t(i)] = g.bomb(i).pixelRect();
    QRegion painted;
    struct Recorder : QObject {
        QRegion* painted;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                *painted += static_cast<QPaintEvent*>(event)->region();
            return false;
        }
    } recorder;
    recorder.painted = &painted;
    g.game().playfield()->installEventFilter(&recorder);

    g.game().Timer1_Timer();
    for (int i = 0; i < 6; ++i) {
        QVERIFY(g.bomb(i).pixelRect() != before[size_t(i)]);
        expected += QRegion(before[size_t(i)]) + g.bomb(i).pixelRect();
    }
    QVERIFY(QTest::qWaitFor([&] { return !painted.isEmpty(); }, WindowWaitMs));
    QTest::qWait(20);
    QVERIFY2((painted ^ expected).isEmpty(), qPrintable(QDebug::toString(painted)));
}

void GamePlay::aSpriteShowsTheWallAndTheBugAroundItsShape()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    g.game().Timer1()->setEnabled(false);
    g.clearBombsAwayFromBug();
    // Bomb 0 across the left wall (x = 40), bomb 1 over the bug's body.
    g.bomb(0).move(360.0f, 3000.0f);
    const QImage bare = g.game().playfield()->grab().toImage();
    g.bomb(1).move(g.bug().Left() + 600.0f, g.bug().Top() + 600.0f);
    const QImage shot = g.game().playfield()->grab().toImage();
    const QRect wallBomb = g.bomb(0).pixelRect();
    const QColor red(255, 0, 0);
    QCOMPARE(shot.pixelColor(40, wallBomb.top()), red);
    QCOMPARE(shot.pixelColor(40, wallBomb.bottom()), red);
    QVERIFY(shot.pixelColor(wallBomb.center()).lightness() < 60);
    // The corners of a bomb's cell lie outside its round shape: the beetle shows there.
    const QRect bugBomb = g.bomb(1).pixelRect();
    for (const QPoint corner : {bugBomb.topLeft(), bugBomb.topRight(), bugBomb.bottomLeft(), bugBomb.bottomRight()})
        QCOMPARE(shot.pixelColor(corner), bare.pixelColor(corner));
    QVERIFY(shot.pixelColor(bugBomb.center()) != bare.pixelColor(bugBomb.center()));
}

void GamePlay::picturesAndControlsStandAtTheirTwipsOverFifteenHalvesAwayFromZero_data()
{
    QTest::addColumn<float>("twips");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<int>("pixels");
    QTest::newRow("the bug's start") << 4025.0f << 100 << 268;
    QTest::newRow("half a pixel") << 7.5f << 100 << 1;
    QTest::newRow("two and a half pixels, away from zero") << 37.5f << 100 << 3;
    QTest::newRow("minus half a pixel") << -7.5f << 100 << -1;
    QTest::newRow("just under half a pixel") << std::nextafter(7.5f, 0.0f) << 100 << 0;
    QTest::newRow("the bug's start at 125 %") << 4025.0f << 125 << 335;
    QTest::newRow("two fifths of a pixel at 125 %, away from zero") << 6.0f << 125 << 1;
    QTest::newRow("two pixels at 175 %, away from zero") << 30.0f << 175 << 4;
    QTest::newRow("the bug's start at 175 %") << 4025.0f << 175 << 470;
    QTest::newRow("a bomb's width at 400 %") << 480.0f << 400 << 128;
}

void GamePlay::picturesAndControlsStandAtTheirTwipsOverFifteenHalvesAwayFromZero()
{
    QFETCH(float, twips);
    QFETCH(int, zoom);
    QFETCH(int, pixels);
    Twips::setZoom(zoom);
    const PictureBox picture(nullptr, twips, twips, 480.0f, 480.0f);
    const int converted = Twips::pixels(twips);
    Twips::setZoom(Twips::DesignZoom);
    QCOMPARE(converted, pixels);
    QCOMPARE(picture.pixelRect().topLeft(), QPoint(pixels, pixels));
    QCOMPARE(picture.pixelRect().width(), Twips::pixels(480.0f, zoom));
    QCOMPARE(picture.Left(), twips);
}

void GamePlay::aZoomDuringPlayGrowsTheWindowAndItsSpritesButNoTwips()
{
    LoadedGame g;
    g.game().show();
    g.game().NewMenu_Click();
    const QSize designed = g.game().size();
    const QImage bomb = g.bomb(0).image();
    const float left = g.bomb(3).Left();
    ZoomAllWindows(200);
    // Drawn again for the zoom, not stretched: the bomb sheet drawn at twice the scale.
    const int scale = PictureBox::spriteScale();
    QCOMPARE(g.bomb(0).image().size(), bomb.size() * 2);
    QCOMPARE(pictureArea(g.bomb(0), 0, 0, 64, 64), sheetCell(SpriteSheets::bombs(2.0 * scale), 0, 0, 64, 64));
    QCOMPARE(g.game().playfield()->width(), 2 * 596);
    QCOMPARE(g.bomb(3).Left(), left);
    QCOMPARE(g.bomb(3).pixelRect().left(), Twips::pixels(left));
    QVERIFY(g.timerOn());
    ZoomAllWindows(Twips::DesignZoom);
    QCOMPARE(g.game().size(), designed);
    QCOMPARE(g.bomb(0).image(), bomb);
    // A window made at a zoom comes back to the designed size just the same.
    ZoomAllWindows(175);
    LoadedGame zoomed;
    ZoomAllWindows(Twips::DesignZoom);
    QCOMPARE(zoomed.game().size(), designed);
}

void GamePlay::fullScreenShowsTheFormAtTheLargestZoomThatFitsAndComesBack()
{
    LoadedGame g;
    g.game().show();
    QVERIFY(QTest::qWaitForWindowExposed(&g.game(), WindowWaitMs));
    const QSize designed = g.game().size();
    const QPoint place = g.game().pos();
    FullScreen full;
    full.toggle(&g.game());
    QVERIFY(g.game().isFullScreen());
    const QSize screen = g.game().screen()->geometry().size();
    QVERIFY(Twips::zoom() > Twips::DesignZoom);
    QVERIFY(g.game().playfield()->width() <= screen.width());
    QVERIFY(g.game().playfield()->width() + Twips::pixels(8940.0f / 8) > screen.width()
            || g.game().playfield()->height() + Twips::pixels(7000.0f / 8) > screen.height());
    full.toggle(&g.game());
    QVERIFY(!g.game().isFullScreen());
    QCOMPARE(Twips::zoom(), Twips::DesignZoom);
    QCOMPARE(g.game().size(), designed);
    QCOMPARE(g.game().pos(), place);
}

void GamePlay::theOverlapTestFollowsTheRectangleRule_data()
{
    QTest::addColumn<QList<int>>("boxes");
    QTest::addColumn<int>("expected");
    QTest::newRow("one inside the other") << QList<int>{0, 0, 100, 100, 10, 10, 20, 20} << -1;
    QTest::newRow("sharing an edge") << QList<int>{0, 0, 10, 10, 10, 0, 20, 10} << 0;
    QTest::newRow("sharing a corner") << QList<int>{0, 0, 10, 10, 10, 10, 20, 20} << 0;
    QTest::newRow("one unit of overlap") << QList<int>{0, 0, 10, 10, 9, 9, 20, 20} << -1;
    QTest::newRow("zero width inside") << QList<int>{0, 0, 100, 100, 50, 10, 50, 90} << 0;
    QTest::newRow("zero height inside") << QList<int>{50, 10, 60, 10, 0, 0, 100, 100} << 0;
    QTest::newRow("negative coordinates") << QList<int>{-40, -40, 10, 10, -20, -20, 0, 0} << -1;
    QTest::newRow("swapped edges are empty") << QList<int>{10, 0, 0, 10, 0, 0, 10, 10} << 0;
    QTest::newRow("apart") << QList<int>{0, 0, 10, 10, 30, 30, 40, 40} << 0;
    QTest::newRow("crossing, neither corner inside") << QList<int>{0, 40, 100, 60, 40, 0, 60, 100} << -1;
    QTest::newRow("the largest values") << QList<int>{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, -1, -1, 1, 1} << -1;
}

void GamePlay::theOverlapTestFollowsTheRectangleRule()
{
    QFETCH(QList<int>, boxes);
    QFETCH(int, expected);
    const auto& b = boxes;
    QCOMPARE(int(RectsOverlap(b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7])), expected);
    // The order of the two rectangles does not matter.
    QCOMPARE(int(RectsOverlap(b[4], b[5], b[6], b[7], b[0], b[1], b[2], b[3])), expected);
}

QTEST_MAIN(GamePlay)
#include "test_game_play.moc"
