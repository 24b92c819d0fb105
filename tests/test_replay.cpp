// SPDX-License-Identifier: GPL-3.0-or-later
// Replays: a game recorded while it is played and played again from its file puts the bug
// and every bomb where they stood at every tick and ends with the same points; the file
// format refuses what it cannot trust in one line; the top ten keeps one file per entry.

#include "test_game_support.h"

#include "app/Forms.h"
#include "platform/Hive.h"
#include "replay/GameRecorder.h"
#include "replay/Playback.h"
#include "replay/Replay.h"
#include "replay/ReplayShelf.h"
#include "scores/TopTen.h"
#include "scores/TopTenTable.h"
#include "support/SqliteShell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// What a script does next: run ticks, press a key, or click.
enum class Do { Ticks, Key, Pause, FocusLoss, Kill, NewGame };
struct Step {
    Do what;
    int value = 0; // ticks to run, or the key code
};
Q_DECLARE_METATYPE(std::vector<Step>)

namespace {

constexpr int Up = 38, Down = 40, Left = 37, Right = 39, E = 69, R = 82, F = 70, Q = 81;
// A game with no script left runs until a bomb ends it, or this many ticks.
constexpr int TicksToTheEnd = 200000;

// Where the bug and every bomb stand, with the level and points.
QString snapshot(LoadedGame& g)
{
    QString shot = QStringLiteral("L%1 P%2 bug %3,%4").arg(Level).arg(Points).arg(g.bug().Left()).arg(g.bug().Top());
    for (int i = 0; i < GameForm::MaxBombs; ++i) {
        if (PictureBox* bomb = g.form->BombPic(i))
            shot += QStringLiteral(" %1,%2%3").arg(bomb->Left()).arg(bomb->Top()).arg(bomb->Visible() ? "" : "h");
    }
    return shot;
}

// Plays the script as the window's events would, a snapshot after every tick, and then
// ticks on until the game is over.
QStringList play(LoadedGame& g, const std::vector<Step>& script)
{
    QStringList trace;
    GameForm& form = g.game();
    const auto tick = [&] {
        if (!g.timerOn())
            return false;
        form.Timer1_Timer();
        trace << snapshot(g);
        return true;
    };
    for (const Step& step : script) {
        switch (step.what) {
        case Do::Ticks:
            for (int i = 0; i < step.value; ++i)
                tick();
            break;
        case Do::Key: form.BombPic_KeyDown(0, int16_t(step.value), 0); break;
        case Do::Pause: form.Pauser_Click(); break;
        case Do::FocusLoss: form.pauseOnFocusLoss(); break;
        case Do::Kill: form.Kill_Click(); break;
        case Do::NewGame:
            trace.clear(); // the game's trace starts at its New Game
            form.NewMenu_Click();
            break;
        }
    }
    for (int i = 0; i < TicksToTheEnd && tick(); ++i) {
    }
    return trace;
}

QStringList playBack(LoadedGame& g, const Replay& replay, Playback::Outcome& outcome)
{
    Playback playback(g.game(), replay, false);
    playback.start();
    QStringList trace;
    while (playback.outcome() == Playback::Outcome::Running) {
        if (playback.step())
            trace << snapshot(g);
    }
    outcome = playback.outcome();
    return trace;
}

std::vector<Step> climbToTheGoal()
{
    std::vector<Step> climb;
    for (int i = 0; i < 37; ++i)
        climb.insert(climb.end(), {{Do::Key, Up}, {Do::Ticks, 2}});
    return climb;
}

Replay readBack(const Replay& replay)
{
    Replay read;
    QString why;
    if (!read.fromText(replay.toText(), &why))
        qFatal("a written replay is not read back: %s", qPrintable(why));
    return read;
}

const QByteArray SmallReplay = "crawlix-replay 1\n"
                               "name Ada\n"
                               "score 10\n"
                               "level 1\n"
                               "still-bombs 3\n"
                               "song 0\n"
                               "seed 7\n"
                               "draws 0\n"
                               "events 3\n"
                               "12 key 38\n"
                               "3 kill\n"
                               "0 end\n";

QString refusalOf(const QByteArray& text)
{
    Replay replay;
    QString why;
    return replay.fromText(text, &why) ? QString() : why;
}
} // namespace

class Replays : public QObject {
    Q_OBJECT
private slots:
    void aReplayedGameStandsWhereTheGameStoodAtEveryTick_data();
    void aReplayedGameStandsWhereTheGameStoodAtEveryTick();
    void aReplayFromAnOlderFormatIsRefusedSayingSo();
    void aDamagedOrHostileReplayIsRefusedInOneLine();
    void anEntryKeepsItsReplayUntilItLeavesTheList();
    void aTieIsFiledAtTheRankTheListGaveIt();
    void aListThatCannotBeWrittenMovesNoReplay();
    void theShelfLeavesOtherWritersFilesAlone();
    void aReplayThatCannotBeWrittenCostsTheEntryNothing();
};

void Replays::aReplayedGameStandsWhereTheGameStoodAtEveryTick_data()
{
    QTest::addColumn<QString>("startLevel");
    QTest::addColumn<QString>("stillBombs");
    QTest::addColumn<uint32_t>("seed");
    QTest::addColumn<std::vector<Step>>("script");

    // The hidden mode, level 1 won, moves, pauses of every kind, Self Distruct.
    std::vector<Step> won = {{Do::NewGame}, {Do::Ticks, 20}, {Do::Key, E}, {Do::Key, R},
                             {Do::Ticks, 3}, {Do::Key, F}, {Do::Ticks, 1}};
    const std::vector<Step> climb = climbToTheGoal();
    won.insert(won.end(), climb.begin(), climb.end());
    won.insert(won.end(), {{Do::Ticks, 30}, {Do::Key, Left}, {Do::Key, Left}, {Do::Ticks, 4},
                           {Do::Key, Down}, {Do::Key, Q}, {Do::Pause}, {Do::Key, Right},
                           {Do::Pause}, {Do::Ticks, 9}, {Do::FocusLoss}, {Do::FocusLoss},
                           {Do::Kill}, {Do::Pause}, {Do::Ticks, 50}, {Do::Key, Right},
                           {Do::Ticks, 1}, {Do::Kill}});
    QTest::newRow("hidden mode, a level won, Self Distruct")
        << QStringLiteral("1") << QStringLiteral("3") << 99u << won;
    // Fast bombs and six still ones, the bug weaving until one hits it in a tick.
    std::vector<Step> hit = {{Do::NewGame}};
    for (int i = 0; i < 40; ++i)
        hit.insert(hit.end(), {{Do::Ticks, 3}, {Do::Key, i % 3 ? Up : Left}, {Do::Key, Right}});
    QTest::newRow("hit by a bomb at level 9") << QStringLiteral("9") << QStringLiteral("6") << 5u << hit;
    // Only the last game counts; the first one's draws come before it.
    const std::vector<Step> again = {{Do::NewGame}, {Do::Ticks, 400}, {Do::Key, E},
                                     {Do::NewGame}, {Do::Ticks, 200}, {Do::Kill}};
    QTest::newRow("a new game over a running one") << QStringLiteral("4") << QStringLiteral("4.5")
                                                   << 31337u << again;
}

void Replays::aReplayedGameStandsWhereTheGameStoodAtEveryTick()
{
    QFETCH(QString, startLevel);
    QFETCH(QString, stillBombs);
    QFETCH(uint32_t, seed);
    QFETCH(std::vector<Step>, script);

    QStringList played;
    int32_t points = 0;
    Replay recorded;
    {
        LoadedGame g(startLevel, stillBombs);
        g.rt.seed(seed);
        g.rt.inputAnswers = {QStringLiteral("Ada")};
        GameRecorder recorder;
        recorder.follow(g.game());
        played = play(g, script);
        points = Points;
        QVERIFY(recorder.finishedGame());
        recorded = readBack(*recorder.finishedGame());
    }
    QCOMPARE(recorded.score, points);
    if (QByteArray(QTest::currentDataTag()).contains("level won"))
        QCOMPARE(points, 10);

    // Another window, another generator, other options: the replay brings back its own.
    LoadedGame g(QStringLiteral("77"), QStringLiteral("5"));
    g.rt.seed(seed + 1);
    Playback::Outcome outcome = Playback::Outcome::Running;
    const QStringList replayed = playBack(g, recorded, outcome);
    QCOMPARE(outcome, Playback::Outcome::Ended);
    for (qsizetype i = 0; i < std::min(played.size(), replayed.size()); ++i)
        QCOMPARE(replayed[i], played[i]);
    QCOMPARE(replayed.size(), played.size());
    QCOMPARE(Points, points);
    QVERIFY(g.rt.inputs.isEmpty()); // a replay never asks for a name
}

void Replays::aReplayFromAnOlderFormatIsRefusedSayingSo()
{
    QByteArray older = SmallReplay;
    older.replace("crawlix-replay 1", "crawlix-replay 0");
    QCOMPARE(refusalOf(older),
             QStringLiteral("replay format 0 is not read by this version of the game, which reads "
                            "format 1 only"));
    QVERIFY(refusalOf(SmallReplay).isEmpty());
}

void Replays::aDamagedOrHostileReplayIsRefusedInOneLine()
{
    QList<QByteArray> damaged;
    // Cut short anywhere.
    for (qsizetype size = 0; size < SmallReplay.size() - 1; ++size)
        damaged << SmallReplay.left(size);
    for (const auto& [from, to] : std::vector<std::pair<QByteArray, QByteArray>>{
             {"12 key 38", "99999999999999999999 key 38"},
             {"12 key 38", "5760000 key 38\n5760000 key 38"},
             {"12 key 38", "12 key 99999"},
             {"12 key 38", "12 key -38"},
             {"12 key 38", "12 key x"},
             {"12 key 38", "12 jump 38"},
             {"events 3", "events 4000000000"},
             {"events 3", "events 4"},
             {"draws 0", "draws 18446744073709551615"},
             {"still-bombs 3", "still-bombs 12"},
             {"level 1", "level 2147483647"},
             {"level 1", "level 0"},
             {"3 kill\n0 end\n", "3 end\n0 kill\n"},
             {"0 end\n", "0 end\n0 end\n"},
         }) {
        QByteArray text = SmallReplay;
        damaged << text.replace(from, to);
    }
    damaged << QByteArray(4096, '\0') << QByteArray("crawlix-replay 1\n") + QByteArray(1 << 20, '9');
    for (const QByteArray& text : damaged) {
        const QString why = refusalOf(text);
        QVERIFY2(!why.isEmpty(), text.constData());
        QVERIFY2(!why.contains(QLatin1Char('\n')), qPrintable(why));
    }

    // A file larger than any replay is not even read.
    TempDataHome home;
    QFile huge(home.path() + QStringLiteral("/huge.crawlix-replay"));
    QVERIFY(huge.open(QIODevice::WriteOnly));
    QVERIFY(huge.resize(Replay::MaxFileBytes + 1));
    huge.close();
    Replay replay;
    QString why;
    QVERIFY(!replay.load(huge.fileName(), &why));
    QVERIFY(why.contains(QStringLiteral("larger")));

    // A FIFO is refused at once, not waited on for a writer that never comes.
    const QString fifo = home.path() + QStringLiteral("/fifo.crawlix-replay");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(!replay.load(fifo, &why));
    QCOMPARE(why, QStringLiteral("not a regular file"));
}

void Replays::anEntryKeepsItsReplayUntilItLeavesTheList()
{
    LoadedGame g(QStringLiteral("1"), QStringLiteral("3"));
    GameRecorder recorder;
    WireRecording(g.game(), recorder);
    ResetTopTen();
    LoadTopTen();
    const QDir replays(ReplayShelf::folder());
    // Eleven games of rising points, each entering at rank 1: the first falls off at last.
    for (int game = 1; game <= 11; ++game) {
        g.rt.inputAnswers = {QStringLiteral("Bo %1").arg(game)};
        g.game().NewMenu_Click();
        Points = game;
        g.game().Kill_Click();
        QCOMPARE(TopList[0].Score, QString::number(game));
    }
    const QStringList files = replays.entryList(QDir::Files, QDir::Name);
    QCOMPARE(files.size(), 10);
    QCOMPARE(files.first(), QStringLiteral("01-Bo_11-11.crawlix-replay"));
    QCOMPARE(files.last(), QStringLiteral("10-Bo_2-2.crawlix-replay"));
    Replay kept;
    QVERIFY(kept.load(ReplayShelf::filesOfRank(10).value(0), nullptr));
    QCOMPARE(kept.name, QStringLiteral("Bo 2"));

    // Cleared in the top ten window: every entry has left.
    TopTen window;
    WireShelf(window);
    window.Form_Load();
    window.ClearIt_Click();
    QCOMPARE(replays.entryList(QDir::Files), QStringList());
}

// A game that ends in a tie goes below the entry it ties with, and its replay goes there too,
// whatever files the entries above have or lack.
void Replays::aTieIsFiledAtTheRankTheListGaveIt()
{
    LoadedGame g(QStringLiteral("1"), QStringLiteral("3"));
    GameRecorder recorder;
    WireRecording(g.game(), recorder);
    ResetTopTen();
    QVERIFY(InsertTopTen(QStringLiteral("Ada"), 10)); // kept from before there were replays
    LoadTopTen();
    g.rt.inputAnswers = {QStringLiteral("Ada")};
    g.game().NewMenu_Click();
    Points = 10;
    g.game().Kill_Click();

    QCOMPARE(TopList[1].Name, QStringLiteral("Ada"));
    const QStringList files = QDir(ReplayShelf::folder()).entryList(QDir::Files);
    QCOMPARE(files, QStringList{QStringLiteral("02-Ada-10.crawlix-replay")});
}

// Another program holds the data file locked from before the game: the entry is refused,
// Clear Top Ten is refused, the player is told each time, and every replay stays.
void Replays::aListThatCannotBeWrittenMovesNoReplay()
{
    LoadedGame g(QStringLiteral("1"), QStringLiteral("3"));
    GameRecorder recorder;
    WireRecording(g.game(), recorder);
    ResetTopTen();
    for (int rank = 1; rank <= 3; ++rank) {
        g.rt.inputAnswers = {QStringLiteral("Kept")};
        g.game().NewMenu_Click();
        Points = 100 - rank;
        g.game().Kill_Click();
    }
    const QDir replays(ReplayShelf::folder());
    const QStringList kept = replays.entryList(QDir::Files, QDir::Name);
    QCOMPARE(kept.size(), 3);

    Hive::close();
    Hive::setBusyTimeoutMs(50);
    SqliteShell backup(Hive::path(), "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;");
    QVERIFY(backup.holding());
    g.rt.inputAnswers = {QStringLiteral("Late")};
    g.game().NewMenu_Click();
    Points = 500;
    g.game().Kill_Click();
    QCOMPARE(replays.entryList(QDir::Files, QDir::Name), kept);
    QCOMPARE(TopList[0].Name, QStringLiteral("Kept"));

    TopTen window;
    WireShelf(window);
    window.Form_Load();
    g.rt.messages.clear();
    window.ClearIt_Click();
    QCOMPARE(g.rt.messages.size(), 2);
    QVERIFY2(g.rt.messages.last().text.contains(QStringLiteral("could not be cleared")),
             qPrintable(g.rt.messages.last().text));
    QCOMPARE(window.Name(1)->text(), QStringLiteral("Kept"));
    QCOMPARE(replays.entryList(QDir::Files, QDir::Name), kept);
    backup.release();
    Hive::setBusyTimeoutMs(10000);
}

// Two copies may write at once: neither takes the other's file being written for its own,
// and nothing of another program's in the folder is touched; only what a copy that died
// left there is removed, once it is an hour old.
void Replays::theShelfLeavesOtherWritersFilesAlone()
{
    LoadedGame g(QStringLiteral("1"), QStringLiteral("3"));
    GameRecorder recorder;
    WireRecording(g.game(), recorder);
    ResetTopTen();
    QDir replays(ReplayShelf::folder());
    QVERIFY(replays.mkpath(QStringLiteral(".")));
    const QString writing = QStringLiteral("01-Bo-5.crawlix-replay.%1.writing").arg(getppid());
    const QString dead = QStringLiteral("01-Cy-6.crawlix-replay.1.writing");
    const QString foreign = QStringLiteral("notes.tmp");
    for (const QString& name : {writing, dead, foreign}) {
        QFile file(replays.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QFile old(replays.filePath(dead));
    QVERIFY(old.open(QIODevice::ReadWrite));
    const QDateTime twoHoursAgo = QDateTime::currentDateTime().addSecs(-2 * 60 * 60);
    QVERIFY(old.setFileTime(twoHoursAgo, QFileDevice::FileModificationTime));
    old.close();

    g.rt.inputAnswers = {QStringLiteral("Di")};
    g.game().NewMenu_Click();
    Points = 7;
    g.game().Kill_Click();
    QVERIFY(replays.exists(writing));
    QVERIFY(replays.exists(foreign));
    QVERIFY(!replays.exists(dead));
    QVERIFY(replays.exists(QStringLiteral("01-Di-7.crawlix-replay")));
}

void Replays::aReplayThatCannotBeWrittenCostsTheEntryNothing()
{
    LoadedGame g(QStringLiteral("1"), QStringLiteral("3"));
    GameRecorder recorder;
    WireRecording(g.game(), recorder);
    ResetTopTen();
    LoadTopTen();
    // A file where the folder should be.
    QFile blocker(ReplayShelf::folder());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    g.rt.inputAnswers = {QStringLiteral("Cy")};
    g.game().NewMenu_Click();
    Points = 7;

    QTemporaryFile errors;
    QVERIFY(errors.open());
    std::fflush(stderr);
    const int savedStderr = dup(STDERR_FILENO);
    dup2(errors.handle(), STDERR_FILENO);
    g.game().Kill_Click();
    std::fflush(stderr);
    dup2(savedStderr, STDERR_FILENO);
    ::close(savedStderr);

    QCOMPARE(TopList[0].Name, QStringLiteral("Cy"));
    QCOMPARE(TopList[0].Score, QStringLiteral("7"));
    QFile written(errors.fileName());
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = written.readAll().trimmed().split('\n');
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].startsWith("crawlix: warning: ") && lines[0].contains("replay"), lines[0]);
}

QTEST_MAIN(Replays)
#include "test_replay.moc"
