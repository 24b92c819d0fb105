// SPDX-License-Identifier: GPL-3.0-or-later
// The stored top ten against a real hive: the empty list, where a new score goes, how
// many values an insertion writes, that an insertion lands whole or not at all, and what
// another program on the file, or a writer killed halfway, does to an entry.

#include "HiveRows.h"
#include "ScriptedRuntime.h"
#include "SqliteShell.h"
#include "TempDataHome.h"
#include "platform/Hive.h"
#include "scores/TopTenTable.h"
#include "shared/Declarations.h"

#include <QDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <limits>
#include <memory>
#include <poll.h>
#include <random>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {
struct Entry {
    const char* name;
    const char* score;
};

// Stores a whole list, rank 1 first (missing ranks are the empty place).
void storeList(std::initializer_list<Entry> entries)
{
    ResetTopTen();
    int rank = 1;
    for (const Entry& entry : entries) {
        WriteRegValue(TopTenKey, TopTenNameValue(rank), QString::fromUtf8(entry.name));
        WriteRegValue(TopTenKey, TopTenScoreValue(rank), QString::fromUtf8(entry.score));
        ++rank;
    }
    LoadTopTen();
}

QStringList storedScores()
{
    LoadTopTen();
    QStringList scores;
    for (const TopEntry& entry : TopList)
        scores << entry.Score;
    return scores;
}

QStringList storedNames()
{
    LoadTopTen();
    QStringList names;
    for (const TopEntry& entry : TopList)
        names << entry.Name;
    return names;
}

constexpr int ShortBusyTimeoutMs = 200;
constexpr int BusyTimeoutMs = 10000;
constexpr int KillRounds = 30;
constexpr unsigned KillSeed = 8;
constexpr unsigned MaxKillMomentUs = 60000;
// However slow the machine, a child has stored its first entry by then.
constexpr int FirstEntryTimeoutMs = 120000;

// Makes the hive give up on another program's lock quickly while it lives.
struct ShortBusyTimeout {
    ShortBusyTimeout() { Hive::setBusyTimeoutMs(ShortBusyTimeoutMs); }
    ~ShortBusyTimeout() { Hive::setBusyTimeoutMs(BusyTimeoutMs); }
};

// What a forked child does until it is killed: enter scores, each under a name that
// tells its score, at every rank of the list in turn. After its first entry it writes a
// byte to the pipe, so the parent kills only a writer that has really written.
[[noreturn]] void keepEntering(int round, int firstEntryDone)
{
    for (int entry = 1;; ++entry) {
        const int32_t score = (round * 37 + entry * 13) % 500 + 1;
        InsertTopTen(QStringLiteral("P%1").arg(score), score);
        if (entry == 1) {
            const char done = 1;
            if (::write(firstEntryDone, &done, 1) != 1)
                ::_exit(1);
            ::close(firstEntryDone);
        }
    }
}

// Whether the child's first entry was told on the pipe before the deadline.
bool firstEntryTold(int pipeEnd)
{
    pollfd told{pipeEnd, POLLIN, 0};
    char done = 0;
    return ::poll(&told, 1, FirstEntryTimeoutMs) == 1 && ::read(pipeEnd, &done, 1) == 1;
}

// Records the names of the values written while it lives.
struct WriteLog {
    WriteLog() { setTopTenWriteObserver([this](const QString& name) { names << name; }); }
    ~WriteLog() { setTopTenWriteObserver(nullptr); }
    QStringList names;
};
} // namespace

class TopTenTable : public QObject {
    Q_OBJECT
    std::unique_ptr<ScopedScriptedRuntime> scripted;
private slots:
    void init()
    {
        ResetDeclarations();
        scripted = std::make_unique<ScopedScriptedRuntime>();
    }
    void cleanup()
    {
        scripted.reset();
        ResetDeclarations();
    }
    void theValueNamesSpellTheRank();
    void resettingWritesTheEmptyListInOrder();
    void loadingReadsTwentyTextsAsStored();
    void aScoreOnTheEmptyListGoesToRankOneWithTwentyWrites();
    void aTieGoesBelowEveryEqualScore();
    void scoresCompareAsNumbersNotAsText();
    void justAboveRankTenReplacesItWithTwoWrites();
    void noPlaceMeansNothingWritten();
    void aScoreThatIsNotANumberCountsAsNothing();
    void anInsertionStoppedHalfwayLeavesTheOldListWhole();
    void anotherCopysFreshEntryIsKeptWhenTheListInMemoryIsStale();
    void aReaderInTheMiddleOfAnEntryDoesNotCostTheScore();
    void anEntryThatCannotBeStoredSaysSoAndChangesNothing();
    void aWriterKilledMidEntryLeavesAWholeOrderedList();
};

void TopTenTable::theValueNamesSpellTheRank()
{
    QCOMPARE(TopTenNameValue(1), QStringLiteral("Name One"));
    QCOMPARE(TopTenScoreValue(7), QStringLiteral("Score Seven"));
    QCOMPARE(TopTenNameValue(10), QStringLiteral("Name Ten"));
}

void TopTenTable::resettingWritesTheEmptyListInOrder()
{
    TempDataHome home;
    WriteLog log;
    ResetTopTen();
    QCOMPARE(log.names.size(), 20);
    QCOMPARE(log.names[0], QStringLiteral("Name One"));
    QCOMPARE(log.names[1], QStringLiteral("Score One"));
    QCOMPARE(log.names[19], QStringLiteral("Score Ten"));
    QVERIFY(TopList[0].Name.isEmpty()); // the list in memory is the caller's to reload
    QCOMPARE(storedNames(), QStringList(10, QStringLiteral("(Available)")));
    QCOMPARE(storedScores(), QStringList(10, QStringLiteral("0")));
}

void TopTenTable::loadingReadsTwentyTextsAsStored()
{
    TempDataHome home;
    LoadTopTen();
    QCOMPARE(storedScores(), QStringList(10, QString()));
    WriteRegValue(TopTenKey, QStringLiteral("Score Three"), QStringLiteral(" 12ab"));
    LoadTopTen();
    QCOMPARE(TopList[2].Score, QStringLiteral(" 12ab"));
}

void TopTenTable::aScoreOnTheEmptyListGoesToRankOneWithTwentyWrites()
{
    TempDataHome home;
    ResetTopTen();
    LoadTopTen();
    WriteLog log;
    InsertTopTen(QStringLiteral("Ann"), 10);
    QCOMPARE(log.names.size(), 20);
    QCOMPARE(log.names.first(), QStringLiteral("Name Ten"));
    QCOMPARE(log.names[1], QStringLiteral("Score Ten"));
    QCOMPARE(log.names[2], QStringLiteral("Name Nine"));
    QCOMPARE(log.names[18], QStringLiteral("Name One"));
    QCOMPARE(log.names.last(), QStringLiteral("Score One"));
    QCOMPARE(storedNames().first(), QStringLiteral("Ann"));
    QCOMPARE(storedScores(), (QStringList{"10", "0", "0", "0", "0", "0", "0", "0", "0", "0"}));
}

void TopTenTable::aTieGoesBelowEveryEqualScore()
{
    TempDataHome home;
    storeList({{"A", "500"}, {"B", "300"}, {"C", "300"}, {"D", "200"}});
    InsertTopTen(QStringLiteral("New"), 300);
    QCOMPARE(storedNames().mid(0, 6), (QStringList{"A", "B", "C", "New", "D", "(Available)"}));
    QCOMPARE(storedScores().mid(0, 5), (QStringList{"500", "300", "300", "300", "200"}));
}

void TopTenTable::scoresCompareAsNumbersNotAsText()
{
    TempDataHome home;
    storeList({{"Hundred", "100"}, {"NinetyNine", "99"}});
    InsertTopTen(QStringLiteral("New"), 100);
    QCOMPARE(storedNames().mid(0, 3), (QStringList{"Hundred", "New", "NinetyNine"}));
    InsertTopTen(QStringLiteral("Nine"), 9);
    QCOMPARE(storedNames()[3], QStringLiteral("Nine"));
}

void TopTenTable::justAboveRankTenReplacesItWithTwoWrites()
{
    TempDataHome home;
    storeList({{"1", "100"}, {"2", "90"}, {"3", "80"}, {"4", "70"}, {"5", "60"},
               {"6", "50"}, {"7", "40"}, {"8", "30"}, {"9", "20"}, {"10", "10"}});
    WriteLog log;
    InsertTopTen(QStringLiteral("(Available)"), 15);
    QCOMPARE(log.names, (QStringList{"Name Ten", "Score Ten"}));
    QCOMPARE(storedNames()[9], QStringLiteral("(Available)"));
    QCOMPARE(storedScores()[9], QStringLiteral("15"));
    QCOMPARE(storedScores()[8], QStringLiteral("20"));

    // Higher than all ten: rank 1, and the old rank 10 is gone.
    InsertTopTen(QStringLiteral("Top"), 1000);
    QCOMPARE(storedNames().first(), QStringLiteral("Top"));
    QCOMPARE(storedScores(), (QStringList{"1000", "100", "90", "80", "70", "60", "50", "40", "30", "20"}));
}

void TopTenTable::noPlaceMeansNothingWritten()
{
    TempDataHome home;
    ResetTopTen();
    WriteLog log;
    InsertTopTen(QStringLiteral("Zero"), 0);
    QVERIFY(log.names.isEmpty());
    QCOMPARE(storedNames(), QStringList(10, QStringLiteral("(Available)")));
}

void TopTenTable::aScoreThatIsNotANumberCountsAsNothing()
{
    TempDataHome home;
    storeList({{"1", "100"}, {"2", "90"}, {"3", "80"}, {"4", "70"}, {"5", "60"},
               {"6", "50"}, {"7", "40"}, {"8", "30"}, {"9", "20"}, {"Broken", "x7"}});
    InsertTopTen(QStringLiteral("Low"), 1);
    QCOMPARE(storedNames()[9], QStringLiteral("Low"));

    // A value removed by hand reads as empty text: it counts as 0 as well.
    storeList({});
    WriteRegValue(TopTenKey, TopTenScoreValue(1), QString());
    InsertTopTen(QStringLiteral("One"), 1);
    QCOMPARE(storedNames()[0], QStringLiteral("One"));
}

void TopTenTable::anInsertionStoppedHalfwayLeavesTheOldListWhole()
{
    TempDataHome home;
    storeList({{"A", "50"}, {"B", "40"}, {"C", "30"}, {"D", "29"}, {"E", "28"},
               {"F", "27"}, {"G", "26"}, {"H", "25"}, {"I", "24"}, {"J", "23"}});
    const QStringList namesBefore = storedNames();
    const QStringList scoresBefore = storedScores();
    int writes = 0;
    setTopTenWriteObserver([&](const QString&) {
        if (++writes == 11)
            throw std::runtime_error("power cut");
    });
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, InsertTopTen(QStringLiteral("New"), 45));
    setTopTenWriteObserver(nullptr);
    QCOMPARE(storedNames(), namesBefore);
    QCOMPARE(storedScores(), scoresBefore);

    // The hive is usable afterwards, and the insertion lands when it runs through.
    InsertTopTen(QStringLiteral("New"), 45);
    QCOMPARE(storedNames().mid(0, 4), (QStringList{"A", "New", "B", "C"}));
}

void TopTenTable::anotherCopysFreshEntryIsKeptWhenTheListInMemoryIsStale()
{
    TempDataHome home;
    ResetTopTen();
    LoadTopTen(); // this copy's list in memory: all empty places
    // Meanwhile another copy of the game stores its score.
    WriteRegValue(TopTenKey, TopTenNameValue(1), QStringLiteral("Other"));
    WriteRegValue(TopTenKey, TopTenScoreValue(1), QStringLiteral("50"));
    InsertTopTen(QStringLiteral("Mine"), 40);
    QCOMPARE(storedNames().mid(0, 3), (QStringList{"Other", "Mine", "(Available)"}));
    QCOMPARE(storedScores().mid(0, 2), (QStringList{"50", "40"}));
}

void TopTenTable::aReaderInTheMiddleOfAnEntryDoesNotCostTheScore()
{
    TempDataHome home;
    storeList({{"A", "50"}, {"B", "30"}});
    SqliteShell reader(home.hivePath(), "BEGIN; SELECT count(*) FROM registry_values;");
    QVERIFY(reader.holding());
    const ShortBusyTimeout shortWait;
    QVERIFY(InsertTopTen(QStringLiteral("New"), 40));
    reader.release();
    QCOMPARE(storedNames().mid(0, 4), (QStringList{"A", "New", "B", "(Available)"}));
    QCOMPARE(storedScores().mid(0, 3), (QStringList{"50", "40", "30"}));
}

void TopTenTable::anEntryThatCannotBeStoredSaysSoAndChangesNothing()
{
    TempDataHome home;
    storeList({{"A", "50"}, {"B", "30"}});
    const QStringList before = storedNames();
    {
        SqliteShell writer(home.hivePath(), "BEGIN IMMEDIATE;");
        QVERIFY(writer.holding());
        const ShortBusyTimeout shortWait;
        scripted->services.busyCursor.clear();
        QVERIFY(!InsertTopTen(QStringLiteral("New"), 40));
        // The busy cursor showed over the wait, and went again.
        QCOMPARE(scripted->services.busyCursor, (QList<bool>{true, false}));
    }
    QCOMPARE(storedNames(), before);
    // Once the other program is gone, the next entry lands.
    QVERIFY(InsertTopTen(QStringLiteral("New"), 40));
    QCOMPARE(storedNames()[1], QStringLiteral("New"));
}

void TopTenTable::aWriterKilledMidEntryLeavesAWholeOrderedList()
{
    TempDataHome home;
    ResetTopTen();
    Hive::close(); // the child opens the hive of its own
    std::mt19937 moments(KillSeed);
    for (int round = 0; round < KillRounds; ++round) {
        int firstEntry[2];
        QCOMPARE(::pipe(firstEntry), 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ::close(firstEntry[0]);
            keepEntering(round, firstEntry[1]);
        }
        ::close(firstEntry[1]);
        const bool told = firstEntryTold(firstEntry[0]);
        ::close(firstEntry[0]);
        // The kill moment counts from the first entry: the writer is somewhere in a later one.
        if (told)
            QThread::usleep(moments() % MaxKillMomentUs);
        QCOMPARE(::kill(child, SIGKILL), 0);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(told, "the child never told of its first entry");

        LoadTopTen();
        double above = std::numeric_limits<double>::infinity();
        for (const TopEntry& entry : TopList) {
            // Every name is still beside its own score: nothing torn, nothing lost.
            if (entry.Name != QLatin1String("(Available)"))
                QCOMPARE(entry.Name, QStringLiteral("P") + entry.Score);
            else
                QCOMPARE(entry.Score, QStringLiteral("0"));
            QVERIFY(entry.Score.toDouble() <= above);
            above = entry.Score.toDouble();
        }
        Hive::close();
    }
    QVERIFY(TopList[0].Name != QLatin1String("(Available)")); // the children did enter scores
    QCOMPARE(HiveRows::scalar(home.hivePath(), QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    QVERIFY(QDir(home.path() + QStringLiteral("/crawlix")).entryList({QStringLiteral("*.corrupt-*")}).isEmpty());
}

QTEST_GUILESS_MAIN(TopTenTable)
#include "test_topten_table.moc"
