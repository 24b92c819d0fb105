// SPDX-License-Identifier: GPL-3.0-or-later
// Game over: the explosion, the cleared field, the top ten prompt, and a whole game played
// through the real window.

#include "test_game_support.h"

#include "game/Playfield.h"
#include "platform/QtRuntime.h"
#include "scores/TopTenTable.h"

#include <QDialog>
#include <QInputDialog>
#include <QProcess>
#include <QTemporaryDir>
#include <QMenu>
#include <QtTest>

namespace {
// The scale factor is fixed when the program starts, so a test at twice the scale runs in
// a program of its own: this one again, on a screen large enough for the doubled game.
const char* const DoubleScaleRun = "CRAWLIX_TEST_DOUBLE_SCALE";
const QByteArray LargeScreen = R"({"screens": [{"name": "large", "x": 0, "y": 0,
    "width": 2560, "height": 1600, "logicalDpi": 96}]})";

// Runs the one test function in a program at twice the scale; its outcome is the test's.
bool passesAtDoubleScale(const char* function, QString& output)
{
    QTemporaryDir folder;
    QFile screens(folder.filePath(QStringLiteral("screens.json")));
    if (!screens.open(QIODevice::WriteOnly) || screens.write(LargeScreen) != LargeScreen.size())
        return false;
    screens.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(DoubleScaleRun), QStringLiteral("1"));
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"),
                       QStringLiteral("offscreen:configfile=") + screens.fileName());
    QProcess run;
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(function)});
    const bool ended = run.waitForFinished(60000);
    output = QString::fromLocal8Bit(run.readAll());
    return ended && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0;
}

// Gathers what the playfield paints.
struct PaintRecorder : QObject {
    explicit PaintRecorder(QWidget& field) { field.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
    bool paintedAll(const QRect& place) const { return (QRegion(place) - painted).isEmpty(); }
    QRegion painted;
};

// The scripted runtime, with a look at the window whenever the game goes to sleep and,
// when asked, the real message and input boxes.
class SleepWatcher final : public Runtime {
public:
    SleepWatcher(ScriptedRuntime& inner, std::function<void()> look)
        : inner_(inner), look_(std::move(look)) { setRuntime(this); }
    ~SleepWatcher() override { setRuntime(&inner_); }
    int sleeps = 0;

    void randomize() override { inner_.randomize(); }
    void seed(uint32_t value) override { inner_.seed(value); }
    float rnd() override { return inner_.rnd(); }
    RandomPosition randomPosition() const override { return inner_.randomPosition(); }
    double monotonicSeconds() override { return inner_.monotonicSeconds(); }
    void sleepMs(int milliseconds) override
    {
        ++sleeps;
        look_();
        inner_.sleepMs(milliseconds);
    }
    void doEvents() override { inner_.doEvents(); }
    Answer msgBox(const QString& text, const QString& title, Buttons buttons) override
    {
        return boxes_->msgBox(text, title, buttons);
    }
    QString inputBox(const QString& prompt, const QString& title, const QString& defaultText) override
    {
        return boxes_->inputBox(prompt, title, defaultText);
    }
    void takeBoxesFrom(Runtime& boxes) { boxes_ = &boxes; }
    void setBusyCursor(bool busy) override { inner_.setBusyCursor(busy); }
    QString appPath() override { return inner_.appPath(); }
    QSize screenTwips() override { return inner_.screenTwips(); }
    [[noreturn]] void fatalError(int code, const QString& description) override
    {
        inner_.fatalError(code, description);
    }

private:
    ScriptedRuntime& inner_;
    Runtime* boxes_ = &inner_;
    std::function<void()> look_;
};

// Answers every real box the moment it is open, and notes where it stood.
struct BoxAnswerer : QObject {
    QList<QRect> seen;
    BoxAnswerer() { startTimer(10); }
    void timerEvent(QTimerEvent*) override
    {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        seen << box->frameGeometry();
        if (auto* input = qobject_cast<QInputDialog*>(box))
            input->setTextValue(QStringLiteral("Ann"));
        box->accept();
    }
};
} // namespace

class GameOver : public QObject {
    Q_OBJECT
private slots:
    void gameOverExplodesHoldsAndClearsTheField();
    void theExplosionIsDrawnBeforeTheHold();
    void allTwelveBombsAreHiddenWithSixStillBombs();
    void theNextSetupLeavesTheExplodingBugsLastColumnsAndRow();
    void theNamePromptRepeatsWhileTheAnswerIsEmpty();
    void aTieWithRankTenGetsNoPrompt();
    void theBoxesOpenCentredOverTheGameAtDoubleScale();
    void aDamagedRankTenScoreCountsAsNothing();
    void aScriptedGamePlayedThroughTheWindowIsStored();
    void aScoreThatCannotBeStoredIsSaidSo();
};

void GameOver::gameOverExplodesHoldsAndClearsTheField()
{
    LoadedGame g(QStringLiteral("4"));
    GameForm& form = g.game();
    form.NewMenu_Click();
    Points = 0;
    form.EndGame(g.bomb(5));
    QCOMPARE(g.sounds, QStringList{QStringLiteral("explode.wav")});
    QCOMPARE(g.rt.sleeps, QList<int>{3700});
    QVERIFY(!g.timerOn());
    QVERIFY(!form.Pauser()->isEnabled());
    QVERIFY(!form.Kill()->isEnabled());
    QVERIFY(form.TopTenView()->isEnabled());
    QVERIFY(form.OptionMenu()->isEnabled());
    QVERIFY(!g.bug().Visible());
    for (int i = 0; i < 9; ++i)
        QVERIFY(!g.bomb(i).Visible());
    QCOMPARE(pictureArea(g.bomb(5), 0, 0, 32, 32), explodedBomb());
    QCOMPARE(pictureArea(g.bug(), 0, 0, 100, 109), explodingBug());
    // The labels keep the final level and points.
    QCOMPARE(form.LevBox()->Caption(), QStringLiteral("Level : 4"));
    QCOMPARE(form.PointBox()->Caption(), QStringLiteral("Points : 0"));
    QVERIFY(g.rt.inputs.isEmpty());
}

void GameOver::theExplosionIsDrawnBeforeTheHold()
{
    // The hold is a sleep in which nothing is painted: by then the bomb and the bug must
    // have been repainted with the explosion, and the timer must be off.
    LoadedGame g;
    g.game().show();
    QVERIFY(QTest::qWaitForWindowExposed(&g.game(), WindowWaitMs));
    g.game().NewMenu_Click();
    // Only the tick called below runs: a slow machine would otherwise see the game's own
    // timer tick in the event pass, and the bug explode there.
    g.game().Timer1()->setEnabled(false);
    g.clearBombsAwayFromBug();
    g.putOnBug(2);
    QCoreApplication::processEvents();

    PaintRecorder paints(*g.game().playfield());
    SleepWatcher watcher(g.rt, [&] {
        QVERIFY(paints.paintedAll(g.bomb(2).pixelRect()));
        QVERIFY(paints.paintedAll(g.bug().pixelRect()));
        QVERIFY(!g.timerOn());
        const QImage shot = g.game().playfield()->grab().toImage();
        const QPoint centre(int(g.bomb(2).Left() / 15) + 16, int(g.bomb(2).Top() / 15) + 16);
        QCOMPARE(shot.pixelColor(centre), explodedBomb().pixelColor(16, 16));
    });
    g.game().Timer1()->setEnabled(true);
    g.game().Timer1_Timer();
    QCOMPARE(watcher.sleeps, 1);
}

void GameOver::allTwelveBombsAreHiddenWithSixStillBombs()
{
    LoadedGame g(QStringLiteral("1"), QStringLiteral("6"));
    g.game().NewMenu_Click();
    QCOMPARE(g.game().bombElementCount(), 12);
    g.game().Kill_Click();
    for (int i = 0; i < 12; ++i)
        QVERIFY(!g.bomb(i).Visible());
}

void GameOver::theNextSetupLeavesTheExplodingBugsLastColumnsAndRow()
{
    LoadedGame g;
    g.game().NewMenu_Click();
    g.game().Kill_Click();
    g.game().NewMenu_Click();
    QVERIFY(g.bug().Visible());
    QCOMPARE(pictureArea(g.bug(), 0, 0, 97, 108), sheetCell(SpriteSheets::bug(PictureBox::spriteScale()), 0, 0, 97, 108));
    QCOMPARE(pictureArea(g.bug(), 97, 0, 3, 109), explodingBug().copy(97 * PictureBox::spriteScale(), 0, 3 * PictureBox::spriteScale(), 109 * PictureBox::spriteScale()));
    QCOMPARE(pictureArea(g.bug(), 0, 108, 100, 1), explodingBug().copy(0, 108 * PictureBox::spriteScale(), 100 * PictureBox::spriteScale(), PictureBox::spriteScale()));
    // The bomb that exploded shows the plain bomb again.
    QCOMPARE(pictureArea(g.bomb(0), 0, 0, 32, 32), plainBomb());
}

void GameOver::theNamePromptRepeatsWhileTheAnswerIsEmpty()
{
    LoadedGame g;
    ResetTopTen();
    LoadTopTen();
    QStringList written;
    setTopTenWriteObserver([&](const QString& name) { written << name; });
    g.game().NewMenu_Click();
    Points = 5;
    g.rt.inputAnswers = {QString(), QString(), QStringLiteral("Zed")};
    g.game().Kill_Click();
    setTopTenWriteObserver(nullptr);
    QCOMPARE(g.rt.inputs.size(), 3);
    for (const auto& call : g.rt.inputs) {
        QCOMPARE(call.prompt, QStringLiteral("Enter your name to be added to the Top Ten List."));
        QCOMPARE(call.title, QStringLiteral("Top Ten Addition"));
        QVERIFY(call.defaultText.isEmpty());
    }
    // Entered at rank 1 of the empty list: twenty writes, and the list reloaded.
    QCOMPARE(written.size(), 20);
    QCOMPARE(TopList[0].Name, QStringLiteral("Zed"));
    QCOMPARE(TopList[0].Score, QStringLiteral("5"));
    QCOMPARE(TopList[1].Name, QStringLiteral("(Available)"));
}

void GameOver::theBoxesOpenCentredOverTheGameAtDoubleScale()
{
    if (!qEnvironmentVariableIsSet(DoubleScaleRun)) {
        QString output;
        QVERIFY2(passesAtDoubleScale(QTest::currentTestFunction(), output), qPrintable(output));
        return;
    }
    LoadedGame g;
    ResetTopTen();
    LoadTopTen();
    GameForm& form = g.game();
    form.move(40, 30);
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form, WindowWaitMs));
    QCOMPARE(form.devicePixelRatio(), 2.0);
    QtRuntime real;
    SleepWatcher watcher(g.rt, [] {});
    watcher.takeBoxesFrom(real);
    BoxAnswerer answerer;

    // A won level's congratulation, then the name prompt after a self-destruct.
    form.NewMenu_Click();
    g.clearBombsAwayFromBug();
    g.bug().setTop(575.0f);
    form.BombPic_KeyDown(0, 38, 0);
    form.Kill_Click();

    QCOMPARE(answerer.seen.size(), 2);
    QCOMPARE(TopList[0].Name, QStringLiteral("Ann"));
    const QPoint centre = form.frameGeometry().center();
    for (const QRect& box : answerer.seen)
        QVERIFY2((box.center() - centre).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("box centred at %1,%2, the game at %3,%4")
                                .arg(box.center().x()).arg(box.center().y())
                                .arg(centre.x()).arg(centre.y())));
}

void GameOver::aTieWithRankTenGetsNoPrompt()
{
    LoadedGame g;
    for (auto& entry : TopList)
        entry = {QStringLiteral("Old"), QStringLiteral("40")};
    g.game().NewMenu_Click();
    Points = 40;
    g.game().Kill_Click();
    QVERIFY(g.rt.inputs.isEmpty());

    g.game().NewMenu_Click();
    Points = 41;
    g.rt.inputAnswers = {QStringLiteral("New")};
    g.game().Kill_Click();
    QCOMPARE(g.rt.inputs.size(), 1);
}

void GameOver::aDamagedRankTenScoreCountsAsNothing()
{
    LoadedGame g;
    TopList[9].Score = QStringLiteral("lots");
    g.game().NewMenu_Click();
    Points = 0;
    g.game().Kill_Click();
    QVERIFY(g.rt.inputs.isEmpty());
    g.game().NewMenu_Click();
    Points = 1;
    g.rt.inputAnswers = {QStringLiteral("Ann")};
    g.game().Kill_Click();
    QCOMPARE(g.rt.inputs.size(), 1);
}

void GameOver::aScriptedGamePlayedThroughTheWindowIsStored()
{
    LoadedGame g;
    ResetTopTen();
    LoadTopTen();
    GameForm& form = g.game();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form, WindowWaitMs));

    form.NewMenu()->trigger();
    QVERIFY(g.timerOn());
    for (Qt::Key key : {Qt::Key_E, Qt::Key_R, Qt::Key_F})
        QTest::keyClick(&form, key);
    QCOMPARE(form.Tag(), QStringLiteral("698270"));

    // Climb to the goal while the bombs fly: the hidden mode lets them pass.
    while (g.rt.messages.isEmpty()) {
        QTest::keyClick(form.playfield(), Qt::Key_Up);
        QTest::qWait(20);
        QVERIFY(g.timerOn() || !g.rt.messages.isEmpty());
    }
    QCOMPARE(g.rt.messages[0].text, QStringLiteral("Congradulations, you beat level 1!!!"));
    QCOMPARE(Points, 10);

    g.rt.inputAnswers = {QStringLiteral("Tester")};
    QTest::mouseClick(form.Kill(), Qt::LeftButton);
    QVERIFY(!g.timerOn());
    QCOMPARE(g.rt.inputs.size(), 1);
    QCOMPARE(TopList[0].Name, QStringLiteral("Tester"));
    QCOMPARE(TopList[0].Score, QStringLiteral("10"));
    ReadRegValue(TopTenKey, QStringLiteral("Name One"));
    QCOMPARE(RegObjValue(), QStringLiteral("Tester"));
    ReadRegValue(TopTenKey, QStringLiteral("Score One"));
    QCOMPARE(RegObjValue(), QStringLiteral("10"));
}

void GameOver::aScoreThatCannotBeStoredIsSaidSo()
{
    LoadedGame g;
    // A file stands where the data folder should be made.
    const QString blocker = g.home.path() + QStringLiteral("/not-a-folder");
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    qputenv("XDG_DATA_HOME", blocker.toUtf8());
    g.game().NewMenu_Click();
    Points = 5;
    g.rt.inputAnswers = {QStringLiteral("Ann")};
    g.game().Kill_Click();
    QCOMPARE(g.rt.messages.size(), 1);
    QCOMPARE(g.rt.messages[0].title, QStringLiteral("Crawlix"));
    QVERIFY(g.rt.messages[0].text.contains(blocker + QStringLiteral("/crawlix/registry.db")));
    QVERIFY(g.rt.messages[0].buttons == Runtime::Buttons::Ok);
}

QTEST_MAIN(GameOver)
#include "test_game_over.moc"
