// SPDX-License-Identifier: GPL-3.0-or-later
// The registry value store against a real hive file in a temporary data home.

#include "HiveRows.h"
#include "SqliteShell.h"
#include "TempDataHome.h"
#include "platform/Hive.h"
#include "platform/RegAgent.h"
#include "shared/Declarations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Options = QStringLiteral("\\Software\\Crawlix\\Options");
const QString TopTen = QStringLiteral("\\Software\\Crawlix\\Top Ten List");
const QString Shared = QStringLiteral("\\Software\\Crawlix\\Shared");
const QString ChildFlag = QStringLiteral("--hive-child");
constexpr unsigned long ThinkingMs = 2;
constexpr qint64 PageSize = 4096;
constexpr qint64 WriteVersionOffset = 18;
constexpr int LongestNameLength = 250; // of a file's own name; a name may have 255 bytes // a number above 2 makes the file read-only
constexpr auto ExtraColumnSchema = R"sql(
CREATE TABLE registry_keys (path TEXT PRIMARY KEY COLLATE NOCASE);
CREATE TABLE registry_values (
  key_path TEXT NOT NULL COLLATE NOCASE REFERENCES registry_keys(path),
  name TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT NULL, data BLOB NOT NULL,
  extra TEXT NOT NULL, PRIMARY KEY (key_path, name));
PRAGMA user_version = 1;
)sql";

QString readText(const QString& key, const QString& name)
{
    ReadRegValue(key, name);
    return RegObjValue();
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void putFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// A hive of the right shape but a version this game cannot read, or another program's file.
void makeForeignDatabase(const QString& path, const char* sql)
{
    QDir().mkpath(QFileInfo(path).path());
    QProcess tool;
    tool.start(QStringLiteral("sqlite3"), {path, QString::fromLatin1(sql)});
    QVERIFY(tool.waitForFinished());
    QCOMPARE(tool.exitCode(), 0);
}

// --- What the child processes do (the test binary run again with ChildFlag) ---

// Begins a transaction, overwrites the options and adds enough values to spill pages into
// the file itself, then dies without committing.
int dieInsideTransaction(bool commitFirst)
{
    HiveTransaction transaction;
    for (int i = 0; i < 5; ++i)
        WriteRegValue(Options, QStringLiteral("Value %1").arg(i), QStringLiteral("new"));
    const QString filler(1000, QLatin1Char('x'));
    for (int i = 0; i < 3000; ++i)
        WriteRegValue(TopTen, QStringLiteral("Filler %1").arg(i), filler);
    if (commitFirst)
        transaction.commit();
    _exit(commitFirst ? 0 : 3);
}

// Writes values of its own, the shared "Last" value, and counts up a shared counter
// with a read and a write inside one transaction.
int writeAlongside(int child, int count)
{
    const QString key = QStringLiteral("\\Software\\Crawlix\\Child %1").arg(child);
    for (int i = 0; i < count; ++i) {
        WriteRegValue(key, QStringLiteral("Value %1").arg(i), QStringLiteral("%1/%2").arg(child).arg(i));
        WriteRegValue(Shared, QStringLiteral("Last"), QStringLiteral("%1/%2").arg(child).arg(i));
        HiveTransaction transaction;
        ReadRegValue(Shared, QStringLiteral("Counter"));
        QThread::msleep(ThinkingMs); // give the other writers every chance to step in
        WriteRegValue(Shared, QStringLiteral("Counter"), RegObjValue().toInt() + 1);
        transaction.commit();
    }
    return 0;
}

int runChild(const QStringList& args)
{
    const QString mode = args.value(2);
    if (mode == QLatin1String("die"))
        return dieInsideTransaction(false);
    if (mode == QLatin1String("commit"))
        return dieInsideTransaction(true);
    if (mode == QLatin1String("writer"))
        return writeAlongside(args.value(3).toInt(), args.value(4).toInt());
    if (mode == QLatin1String("read")) {
        ReadRegValue(Options, QStringLiteral("Start Level"));
        return 0;
    }
    return 2;
}

QProcess* startChild(QObject* parent, const QStringList& args)
{
    auto* child = new QProcess(parent);
    child->setProcessChannelMode(QProcess::ForwardedChannels);
    child->start(QCoreApplication::applicationFilePath(), QStringList{ChildFlag} + args);
    return child;
}

// What a child that reads one value says on standard error.
QString childWarning()
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {ChildFlag, QStringLiteral("read")});
    if (!child.waitForFinished(60000))
        return QStringLiteral("no end");
    return QString::fromLocal8Bit(child.readAllStandardError());
}

// Keeps this process from writing a file while it lives: by its mode for an ordinary user,
// by the immutable attribute for root, whom no mode stops.
class Unwritable {
public:
    explicit Unwritable(const QString& file) : file_(file)
    {
        made_ = ::geteuid() != 0
            ? ::chmod(QFile::encodeName(file).constData(), 0444) == 0
            : QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), file}) == 0;
    }
    ~Unwritable()
    {
        if (::geteuid() != 0)
            ::chmod(QFile::encodeName(file_).constData(), 0644);
        else if (made_)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), file_});
    }
    Unwritable(const Unwritable&) = delete;
    Unwritable& operator=(const Unwritable&) = delete;
    bool made() const { return made_; }

private:
    QString file_;
    bool made_ = false;
};

} // namespace

class TestRegistry : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDataHome> home_;
    QString hive() const { return home_->hivePath(); }

    // A hive of the game's, as the game left it.
    void storeSomeValues(int count, const QString& text)
    {
        for (int i = 0; i < count; ++i)
            WriteRegValue(TopTen, QStringLiteral("Name %1").arg(i), text);
        Hive::close();
    }

    // A file elsewhere that the hive's name links to, its name so long that no longer name
    // made from it (a dated one, a journal's) is allowed.
    QString longNamedTarget(const QTemporaryDir& elsewhere)
    {
        const QString target = elsewhere.filePath(QString(LongestNameLength - 4, QLatin1Char('h')) + QStringLiteral(".db"));
        putFile(target, QByteArray());
        QDir().mkpath(QFileInfo(hive()).path());
        return QFile::link(target, hive()) ? target : QString();
    }

    void makeBadHive(const QString& kind)
    {
        if (kind == QLatin1String("garbage")) {
            putFile(hive(), QByteArray("This is not a hive at all.\n").repeated(300));
            putFile(hive() + QStringLiteral("-journal"), QByteArray(4096, '\x5a'));
        } else if (kind == QLatin1String("truncated")) {
            storeSomeValues(40, QString(900, QLatin1Char('f')));
            QFile file(hive());
            QVERIFY(file.resize(file.size() / 2));
        } else if (kind == QLatin1String("page")) {
            // dd if=registry.db of=registry.db bs=4096 skip=1 seek=2 count=1 conv=notrunc
            storeSomeValues(24, QStringLiteral("Player"));
            QFile file(hive());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.seek(PageSize));
            const QByteArray page = file.read(PageSize);
            QVERIFY(file.seek(2 * PageSize));
            QCOMPARE(file.write(page), PageSize);
        } else if (kind == QLatin1String("read-only")) {
            storeSomeValues(1, QStringLiteral("Player"));
            QFile file(hive());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.seek(WriteVersionOffset));
            QVERIFY(file.putChar(char(151)));
        } else if (kind == QLatin1String("column")) {
            makeForeignDatabase(hive(), ExtraColumnSchema);
        } else if (kind == QLatin1String("version")) {
            makeForeignDatabase(hive(), "CREATE TABLE registry_keys (path TEXT PRIMARY KEY);"
                                        " PRAGMA user_version = 7;");
        } else {
            makeForeignDatabase(hive(), "CREATE TABLE scores (who TEXT, points INTEGER);");
        }
    }

private slots:
    void init()
    {
        home_ = std::make_unique<TempDataHome>();
        RegObj.reset();
    }
    void cleanup()
    {
        Hive::close();
        home_.reset();
    }

    void theHiveIsTheDesignedSqliteFileBelowTheDataHome()
    {
        WriteRegValue(TopTen, QStringLiteral("Score One"), int32_t(1234));
        QCOMPARE(Hive::path(), home_->path() + QStringLiteral("/crawlix/registry.db"));
        if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
            QSKIP("the sqlite3 tool is not installed");
        QProcess tool;
        tool.start(QStringLiteral("sqlite3"),
                   {hive(), QStringLiteral(".schema"),
                    QStringLiteral("PRAGMA user_version"),
                    QStringLiteral("SELECT key_path || '|' || name || '|' || type || '|' || hex(data)"
                                   " FROM registry_values"),
                    QStringLiteral("SELECT path FROM registry_keys ORDER BY path")});
        QVERIFY(tool.waitForFinished());
        const QString out = QString::fromUtf8(tool.readAllStandardOutput()).simplified();
        const QString expected = QStringLiteral(
            "CREATE TABLE registry_keys ( path TEXT PRIMARY KEY COLLATE NOCASE ); "
            "CREATE TABLE registry_values ( key_path TEXT NOT NULL COLLATE NOCASE REFERENCES "
            "registry_keys(path), name TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT NULL, "
            "data BLOB NOT NULL, PRIMARY KEY (key_path, name) ); "
            "1 "
            "HKEY_LOCAL_MACHINE\\Software\\Crawlix\\Top Ten List|Score One|1|3132333400 "
            "HKEY_LOCAL_MACHINE\\Software "
            "HKEY_LOCAL_MACHINE\\Software\\Crawlix "
            "HKEY_LOCAL_MACHINE\\Software\\Crawlix\\Top Ten List");
        QCOMPARE(out, expected);
    }

    void theHiveFollowsTheDataHomeAsItChanges()
    {
        WriteRegValue(Options, QStringLiteral("Start Level"), QStringLiteral("1"));
        {
            TempDataHome other;
            QCOMPARE(readText(Options, QStringLiteral("Start Level")), QString());
            WriteRegValue(Options, QStringLiteral("Start Level"), QStringLiteral("2"));
            QCOMPARE(HiveRows::value(other.hivePath(), Options, QStringLiteral("Start Level"))->data,
                     QByteArray("2", 2));
        }
        QCOMPARE(readText(Options, QStringLiteral("Start Level")), QStringLiteral("1"));

        // Without XDG_DATA_HOME, or with a relative one, the hive lies below the home folder.
        const QByteArray savedHome = qgetenv("HOME");
        qputenv("HOME", home_->path().toUtf8());
        qputenv("XDG_DATA_HOME", "relative/folder");
        const QString relative = Hive::path();
        qunsetenv("XDG_DATA_HOME");
        const QString unset = Hive::path();
        qputenv("HOME", savedHome);
        QCOMPARE(unset, home_->path() + QStringLiteral("/.local/share/crawlix/registry.db"));
        QCOMPARE(relative, unset);
    }

    void rawValuesReadAsTheirTextWithoutTheZeroByte_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::newRow("no bytes") << QByteArray() << 1 << QString();
        QTest::newRow("only the zero byte") << QByteArray(1, '\0') << 1 << QString();
        QTest::newRow("one letter without its zero") << QByteArray("A") << 1 << QString();
        QTest::newRow("one letter") << QByteArray("A", 2) << 1 << QStringLiteral("A");
        QTest::newRow("five letters") << QByteArray("Hello", 6) << 1 << QStringLiteral("Hello");
        QTest::newRow("no zero: the last byte is lost") << QByteArray("abcdef") << 1 << QStringLiteral("abcde");
        QTest::newRow("any type reads as text") << QByteArray("Hi", 3) << 3 << QStringLiteral("Hi");
        QTest::newRow("undefined byte kept") << QByteArray("\x81", 2) << 1 << QStringLiteral("\u0081");
    }
    void rawValuesReadAsTheirTextWithoutTheZeroByte()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, type);
        QFETCH(QString, text);
        WriteRegValue(Options, QStringLiteral("Other"), QStringLiteral("x"));
        QVERIFY(HiveRows::insertRaw(hive(), Options, QStringLiteral("Start Level"), type, stored));
        QCOMPARE(readText(Options, QStringLiteral("start level")), text);
    }

    void emptyTextIsStoredAsZeroLengthData()
    {
        WriteRegValue(TopTen, QStringLiteral("Name One"), QStringLiteral("Ann"));
        WriteRegValue(TopTen, QStringLiteral("Name One"), QString());
        const auto row = HiveRows::value(hive(), TopTen, QStringLiteral("Name One"));
        QVERIFY(row);
        QCOMPARE(row->type, 1);
        QCOMPARE(row->data, QByteArray());
        QCOMPARE(HiveRows::scalar(hive(), QStringLiteral("SELECT typeof(data) FROM registry_values")),
                 QStringLiteral("blob"));
        QCOMPARE(readText(TopTen, QStringLiteral("Name One")), QString());
        QCOMPARE(RegObj->lastResult(), 0);
    }

    void numbersAreStoredAsDecimalTextWithTheirZeroByte()
    {
        WriteRegValue(TopTen, QStringLiteral("Score Ten"), int16_t(0));
        WriteRegValue(TopTen, QStringLiteral("Score One"), int32_t(1234));
        WriteRegValue(TopTen, QStringLiteral("Score Two"), int16_t(-5));
        WriteRegValue(Options, QStringLiteral("Start Level"), 250.0);
        WriteRegValue(Options, QStringLiteral("Still Bombs"), 2.5);
        auto stored = [this](const QString& key, const char* name) {
            return HiveRows::value(hive(), key, QLatin1String(name)).value_or(HiveRows::Row{}).data;
        };
        QCOMPARE(stored(TopTen, "Score Ten"), QByteArray::fromHex("3000"));
        QCOMPARE(stored(TopTen, "Score One"), QByteArray::fromHex("3132333400"));
        QCOMPARE(stored(TopTen, "Score Two"), QByteArray("-5", 3));
        QCOMPARE(stored(Options, "Start Level"), QByteArray("250", 4));
        QCOMPARE(stored(Options, "Still Bombs"), QByteArray("2.5", 4));
        for (const HiveRows::Row& row : HiveRows::values(hive()))
            QCOMPARE(row.type, 1);
    }

    void aReadOfAMissingValueCreatesEveryKeyOnItsPath()
    {
        QCOMPARE(readText(Options, QStringLiteral("Start Level")), QString());
        QCOMPARE(HiveRows::keys(hive()),
                 QStringList({QStringLiteral("HKEY_LOCAL_MACHINE\\Software"),
                              QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Crawlix"),
                              QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Crawlix\\Options")}));
        QVERIFY(HiveRows::values(hive()).isEmpty());
        QCOMPARE(RegObj->lastResult(), 2);
    }

    void everyCallPutsAFreshAgentIntoRegObj()
    {
        WriteRegValue(TopTen, QStringLiteral("Name One"), QStringLiteral("Ann"));
        QCOMPARE(RegObj->KeyValue(), QStringLiteral("Ann"));
        ReadRegValue(TopTen, QStringLiteral("Name One"));
        const QString first = RegObjValue();
        ReadRegValue(TopTen, QStringLiteral("Name Two"));
        QCOMPARE(first, QStringLiteral("Ann"));
        QCOMPARE(RegObj->SubKey(), QStringLiteral("Name Two"));
        QCOMPARE(RegObjValue(), QString());
        // A read that never reaches the hive still leaves a fresh, empty agent behind.
        ReadRegValue(TopTen, QStringLiteral("Name One"));
        ReadRegValue(QString(), QStringLiteral("Name One"));
        QCOMPARE(RegObjValue(), QString());
    }

    void textRoundTripsThroughWindows1252()
    {
        const QString text = QStringLiteral("Zo\u00eb \u2013 5\u20ac");
        WriteRegValue(TopTen, QStringLiteral("Name One"), text);
        QCOMPARE(HiveRows::value(hive(), TopTen, QStringLiteral("Name One"))->data,
                 QByteArray::fromHex("5a6feb20962035" "8000"));
        QCOMPARE(readText(TopTen, QStringLiteral("Name One")), text);

        // Every character the code page holds comes back as it went in.
        QString all;
        for (int byte = 0x20; byte <= 0xff; ++byte) {
            const QString one = QString::fromLatin1(QByteArray(1, char(byte)));
            if (byte < 0x80 || byte >= 0xa0)
                all += one;
        }
        all += QStringLiteral("\u20ac\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152"
                              "\u017d\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161"
                              "\u203a\u0153\u017e\u0178");
        WriteRegValue(TopTen, QStringLiteral("Name Two"), all);
        QCOMPARE(HiveRows::value(hive(), TopTen, QStringLiteral("Name Two"))->data.size(), all.size() + 1);
        QCOMPARE(readText(TopTen, QStringLiteral("Name Two")), all);
    }

    void charactersOutsideTheCodePageBecomeOneQuestionMarkEach()
    {
        WriteRegValue(TopTen, QStringLiteral("Name One"),
                      QStringLiteral("a\u65e5\u672cb\U0001F600c\u0081") + QChar(0xd800));
        QCOMPARE(HiveRows::value(hive(), TopTen, QStringLiteral("Name One"))->data,
                 QByteArray("a??b?c??", 9));
        QCOMPARE(readText(TopTen, QStringLiteral("Name One")), QStringLiteral("a??b?c??"));
    }

    void namesIgnoreAsciiCaseAndKeepTheCaseFirstWritten()
    {
        WriteRegValue(Options, QStringLiteral("Start Level"), QStringLiteral("1"));
        WriteRegValue(QStringLiteral("\\SOFTWARE\\crawlix\\OPTIONS"), QStringLiteral("START LEVEL"),
                      QStringLiteral("2"));
        WriteRegValue(Options, QStringLiteral("\u00c9t\u00e9"), QStringLiteral("upper"));
        WriteRegValue(Options, QStringLiteral("\u00e9t\u00e9"), QStringLiteral("lower"));
        const QList<HiveRows::Row> rows = HiveRows::values(hive());
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].keyPath, QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Crawlix\\Options"));
        QCOMPARE(rows[0].name, QStringLiteral("Start Level"));
        QCOMPARE(rows[0].data, QByteArray("2", 2));
        QCOMPARE(HiveRows::keys(hive()).size(), 3);
        QCOMPARE(readText(QStringLiteral("\\software\\CRAWLIX\\options"), QStringLiteral("start LEVEL")),
                 QStringLiteral("2"));
        // Only ASCII letters fold: these two stay apart.
        QCOMPARE(readText(Options, QStringLiteral("\u00c9t\u00e9")), QStringLiteral("upper"));
        QCOMPARE(readText(Options, QStringLiteral("\u00e9t\u00e9")), QStringLiteral("lower"));
    }

    void anEmptyKeyPathOrValueNameTouchesNothing()
    {
        RegAgent agent;
        agent.setKeyValue(QStringLiteral("kept"));
        agent.setSubKey(QStringLiteral("Start Level"));
        agent.GetValue();
        QCOMPARE(agent.lastResult(), RegAgent::EmptyKeyPath);
        agent.SetValue();
        QCOMPARE(agent.lastResult(), RegAgent::EmptyKeyPath);
        agent.setRegistryKey(Options);
        agent.setSubKey(QString());
        agent.GetValue();
        QCOMPARE(agent.lastResult(), RegAgent::EmptyValueName);
        agent.SetValue();
        QCOMPARE(agent.lastResult(), RegAgent::EmptyValueName);
        QCOMPARE(agent.KeyValue(), QStringLiteral("kept"));
        ReadRegValue(QString(), QStringLiteral("Start Level"));
        WriteRegValue(Options, QString(), QStringLiteral("5"));
        QCOMPARE(RegObjValue(), QStringLiteral("5"));
        QVERIFY(!QFileInfo::exists(hive()));
        QVERIFY(!QFileInfo::exists(QFileInfo(hive()).path()));
    }

    void aFileThatIsNoHiveIsSetAsideAndAFreshHiveStarted_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("garbage bytes") << QStringLiteral("garbage");
        QTest::newRow("truncated hive") << QStringLiteral("truncated");
        QTest::newRow("unknown version") << QStringLiteral("version");
        QTest::newRow("another program's database") << QStringLiteral("foreign");
        QTest::newRow("a page copied over an index page") << QStringLiteral("page");
        QTest::newRow("a header that makes the file read-only") << QStringLiteral("read-only");
        QTest::newRow("a values table with a column more") << QStringLiteral("column");
    }
    void aFileThatIsNoHiveIsSetAsideAndAFreshHiveStarted()
    {
        QFETCH(QString, kind);
        makeBadHive(kind);
        const QByteArray before = fileBytes(hive());

        QCOMPARE(readText(TopTen, QStringLiteral("Name 1")), QString());
        WriteRegValue(TopTen, QStringLiteral("Name One"), QStringLiteral("Ann"));
        QCOMPARE(readText(TopTen, QStringLiteral("Name One")), QStringLiteral("Ann"));

        // The file goes aside with whatever journal or log lies beside it.
        const QStringList aside = QDir(QFileInfo(hive()).path())
            .entryList({QStringLiteral("registry.db.corrupt-*")}, QDir::Files, QDir::Name);
        QVERIFY(QRegularExpression(QStringLiteral("^registry\\.db\\.corrupt-\\d{8}-\\d{6}$"))
                    .match(aside.first()).hasMatch());
        QCOMPARE(aside.filter(QRegularExpression(QStringLiteral("\\d$"))).size(), 1);
        QCOMPARE(aside.contains(aside.first() + QStringLiteral("-journal")), kind == QLatin1String("garbage"));
        QCOMPARE(fileBytes(QFileInfo(hive()).path() + QLatin1Char('/') + aside.first()), before);
        QCOMPARE(HiveRows::scalar(hive(), QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    }

    void damageMetLaterIsSetAsideAsWell()
    {
        const QString filler(900, QLatin1Char('f'));
        for (int i = 0; i < 40; ++i)
            WriteRegValue(TopTen, QStringLiteral("Filler %1").arg(i), filler);
        Hive::close();
        readText(TopTen, QStringLiteral("Filler 1")); // open, checked and found sound
        // A page of old values goes bad under the open hive; another program then writes,
        // so the game reads the file afresh.
        const qint64 page = HiveRows::scalar(hive(), QStringLiteral(
            "SELECT pageno FROM dbstat WHERE name = 'registry_values' AND pagetype = 'leaf'"
            " ORDER BY pageno LIMIT 1")).toLongLong();
        QVERIFY(page > 1);
        {
            QFile file(hive());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.seek((page - 1) * PageSize));
            QCOMPARE(file.write(QByteArray(PageSize, '\xff')), PageSize);
        }
        QVERIFY(HiveRows::insertRaw(hive(), Options, QStringLiteral("Other"), 1, QByteArray("x", 2)));
        // The value on that page could not be read: it is not taken for absent.
        QCOMPARE(readText(TopTen, QStringLiteral("Filler 0")), QString());
        QVERIFY(!RegObjAbsent());

        WriteRegValue(Options, QStringLiteral("Start Level"), QStringLiteral("6"));
        QCOMPARE(readText(Options, QStringLiteral("Start Level")), QStringLiteral("6"));
        QCOMPARE(readText(TopTen, QStringLiteral("Filler 1")), QString());
        QCOMPARE(QDir(QFileInfo(hive()).path()).entryList({QStringLiteral("registry.db.corrupt-*")}).filter(
                     QRegularExpression(QStringLiteral("\\d$"))).size(), 1);
    }

    void anEmptyFileBecomesAHiveWithoutBeingSetAside()
    {
        putFile(hive(), QByteArray());
        WriteRegValue(Options, QStringLiteral("Start Level"), QStringLiteral("3"));
        QCOMPARE(readText(Options, QStringLiteral("Start Level")), QStringLiteral("3"));
        QCOMPARE(QDir(QFileInfo(hive()).path()).entryList({QStringLiteral("*.corrupt-*")}), QStringList());
    }

    void aSecondBadFileIsKeptBesideTheFirst()
    {
        putFile(hive(), QByteArray(5000, '\x01'));
        readText(Options, QStringLiteral("Start Level"));
        Hive::close();
        putFile(hive(), QByteArray(5000, '\x02'));
        WriteRegValue(Options, QStringLiteral("Start Level"), QStringLiteral("4"));
        QCOMPARE(QDir(QFileInfo(hive()).path()).entryList({QStringLiteral("*.corrupt-*")}).size(), 2);
        QCOMPARE(readText(Options, QStringLiteral("Start Level")), QStringLiteral("4"));
    }

    void aTransactionLeftWithoutCommitLandsNothing()
    {
        WriteRegValue(Options, QStringLiteral("Start Level"), QStringLiteral("1"));
        {
            HiveTransaction transaction;
            WriteRegValue(Options, QStringLiteral("Start Level"), QStringLiteral("2"));
            WriteRegValue(Options, QStringLiteral("Still Bombs"), QStringLiteral("6"));
            QCOMPARE(readText(Options, QStringLiteral("Start Level")), QStringLiteral("2"));
        }
        QCOMPARE(readText(Options, QStringLiteral("Start Level")), QStringLiteral("1"));
        QCOMPARE(HiveRows::values(hive()).size(), 1);
        {
            HiveTransaction outer;
            WriteRegValue(Options, QStringLiteral("Start Level"), QStringLiteral("3"));
            {
                HiveTransaction inner;
                WriteRegValue(Options, QStringLiteral("Still Bombs"), QStringLiteral("5"));
            }
            outer.commit();
        }
        QCOMPARE(readText(Options, QStringLiteral("Start Level")), QStringLiteral("1"));
        {
            HiveTransaction outer;
            WriteRegValue(Options, QStringLiteral("Start Level"), QStringLiteral("4"));
            HiveTransaction inner;
            WriteRegValue(Options, QStringLiteral("Still Bombs"), QStringLiteral("5"));
            inner.commit();
            outer.commit();
        }
        QCOMPARE(readText(Options, QStringLiteral("Start Level")), QStringLiteral("4"));
        QCOMPARE(readText(Options, QStringLiteral("Still Bombs")), QStringLiteral("5"));
    }

    void aProcessThatDiesInsideATransactionLeavesTheOldValues()
    {
        for (int i = 0; i < 5; ++i)
            WriteRegValue(Options, QStringLiteral("Value %1").arg(i), QStringLiteral("old"));
        Hive::close();
        std::unique_ptr<QProcess> child(startChild(nullptr, {QStringLiteral("die")}));
        QVERIFY(child->waitForFinished(120000));
        QCOMPARE(child->exitCode(), 3);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(readText(Options, QStringLiteral("Value %1").arg(i)), QStringLiteral("old"));
        QCOMPARE(HiveRows::values(hive()).size(), 5);
        QCOMPARE(HiveRows::scalar(hive(), QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));

        // The same child, committing before it dies, lands everything.
        Hive::close();
        child.reset(startChild(nullptr, {QStringLiteral("commit")}));
        QVERIFY(child->waitForFinished(120000));
        QCOMPARE(child->exitCode(), 0);
        QCOMPARE(readText(Options, QStringLiteral("Value 4")), QStringLiteral("new"));
        QCOMPARE(HiveRows::values(hive()).size(), 3005);
    }

    void processesWritingAtOnceLoseNoWrite()
    {
        constexpr int Children = 3;
        constexpr int Count = 100;
        QObject owner;
        QList<QProcess*> children;
        for (int c = 0; c < Children; ++c)
            children.append(startChild(&owner, {QStringLiteral("writer"), QString::number(c), QString::number(Count)}));
        for (QProcess* child : children) {
            QVERIFY(child->waitForFinished(240000));
            QCOMPARE(child->exitStatus(), QProcess::NormalExit);
            QCOMPARE(child->exitCode(), 0);
        }
        for (int c = 0; c < Children; ++c) {
            const QString key = QStringLiteral("\\Software\\Crawlix\\Child %1").arg(c);
            for (int i = 0; i < Count; ++i)
                QCOMPARE(readText(key, QStringLiteral("Value %1").arg(i)), QStringLiteral("%1/%2").arg(c).arg(i));
        }
        QCOMPARE(readText(Shared, QStringLiteral("Counter")), QString::number(Children * Count));
        QVERIFY(readText(Shared, QStringLiteral("Last")).endsWith(QStringLiteral("/%1").arg(Count - 1)));
        QCOMPARE(HiveRows::scalar(hive(), QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    }

    void theWriteAheadLogLiesBesideTheHiveAndIsFoldedInWhenItCloses()
    {
        WriteRegValue(Options, QStringLiteral("Start Level"), QStringLiteral("7"));
        QCOMPARE(HiveRows::scalar(hive(), QStringLiteral("PRAGMA journal_mode")), QStringLiteral("wal"));
        QVERIFY(QFileInfo::exists(hive() + QStringLiteral("-wal")));
        Hive::close();
        QVERIFY(!QFileInfo::exists(hive() + QStringLiteral("-wal")));
        QVERIFY(!QFileInfo::exists(hive() + QStringLiteral("-shm")));
        QCOMPARE(HiveRows::value(hive(), Options, QStringLiteral("Start Level"))->data, QByteArray("7", 2));
    }

    void aLockFileLeftBehindNeverHoldsUpAFreshStart()
    {
        putFile(hive(), QByteArray(5000, '\x01'));
        putFile(hive() + QStringLiteral(".lock"), QByteArray()); // empty and young
        WriteRegValue(Options, QStringLiteral("Start Level"), QStringLiteral("2"));
        QCOMPARE(readText(Options, QStringLiteral("Start Level")), QStringLiteral("2"));
        QCOMPARE(QDir(QFileInfo(hive()).path()).entryList({QStringLiteral("*.corrupt-*")}).size(), 1);
    }

    void aCopyOfTheGameSettingTheFileAsideIsLeftToIt()
    {
        putFile(hive(), QByteArray(5000, '\x01'));
        const QByteArray lockName = QFile::encodeName(hive() + QStringLiteral(".lock"));
        const int lock = ::open(lockName.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        QVERIFY(lock >= 0 && ::flock(lock, LOCK_EX) == 0);
        QCOMPARE(readText(Options, QStringLiteral("Start Level")), QString());
        QVERIFY(!RegObjAbsent());
        QCOMPARE(fileBytes(hive()), QByteArray(5000, '\x01'));
        ::close(lock);
        Hive::close();
        QCOMPARE(readText(Options, QStringLiteral("Start Level")), QString());
        QVERIFY(RegObjAbsent());
        QCOMPARE(QDir(QFileInfo(hive()).path()).entryList({QStringLiteral("*.corrupt-*")}).size(), 1);
    }

    void aHiveWhoseLogIndexCannotBeWrittenIsKeptAsItIs()
    {
        WriteRegValue(TopTen, QStringLiteral("Name One"), QStringLiteral("Kept"));
        Hive::close();
        // A sqlite3 shell keeps the file open, with its log and the log's index beside it.
        SqliteShell shell(hive(), "SELECT count(*) FROM registry_values;");
        QVERIFY(shell.holding());
        const QString index = hive() + QStringLiteral("-shm");
        QVERIFY(QFileInfo::exists(index));
        {
            const Unwritable locked(index);
            if (!locked.made())
                QSKIP("the log's index cannot be made unwritable here");
            WriteRegValue(TopTen, QStringLiteral("Name One"), QStringLiteral("Lost"));
            QVERIFY(RegObj->lastResult() != 0);
            QCOMPARE(Hive::unwritable(), index);
        }
        QCOMPARE(readText(TopTen, QStringLiteral("Name One")), QStringLiteral("Kept"));
        QCOMPARE(QDir(QFileInfo(hive()).path()).entryList({QStringLiteral("*.corrupt-*")}), QStringList());
        shell.release();
        QCOMPARE(HiveRows::value(hive(), TopTen, QStringLiteral("Name One"))->data, QByteArray("Kept", 5));
    }

    void whatKeepsADamagedFileFromBeingSetAsideIsReported_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::newRow("a folder for a lock") << QStringLiteral("folder");
        QTest::newRow("a lock held by another program") << QStringLiteral("held");
        QTest::newRow("a name with no room for the date") << QStringLiteral("long name");
    }
    void whatKeepsADamagedFileFromBeingSetAsideIsReported()
    {
        QFETCH(QString, blocker);
        QTemporaryDir elsewhere;
        const QString file = blocker == QLatin1String("long name") ? longNamedTarget(elsewhere) : hive();
        QVERIFY(!file.isEmpty());
        putFile(file, QByteArray(5000, '\x01'));
        const QString lockName = file + QStringLiteral(".lock");
        int lock = -1;
        if (blocker == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(lockName));
        } else if (blocker == QLatin1String("held")) {
            lock = ::open(QFile::encodeName(lockName).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
            QVERIFY(lock >= 0 && ::flock(lock, LOCK_EX) == 0);
        }
        const QString warning = childWarning();
        if (lock >= 0)
            ::close(lock);
        QCOMPARE(warning.count(QLatin1Char('\n')), 1);
        const QString why = blocker == QLatin1String("folder") ? lockName + QStringLiteral(" is not a regular file")
            : blocker == QLatin1String("held") ? lockName + QStringLiteral(" is held by another program")
                                               : file + QStringLiteral(" cannot be renamed (File name too long)");
        QVERIFY2(warning.contains(QStringLiteral("damaged, and cannot be set aside: ") + why), qPrintable(warning));
        QCOMPARE(fileBytes(file), QByteArray(5000, '\x01'));
    }

    void whySqliteCannotOpenTheHiveIsSaidInItsOwnWords()
    {
        // The file opens, but no journal can be made beside it to lay out a fresh hive.
        QTemporaryDir elsewhere;
        QVERIFY(!longNamedTarget(elsewhere).isEmpty());
        const QString warning = childWarning();
        QCOMPARE(warning.count(QLatin1Char('\n')), 1);
        QVERIFY2(warning.contains(QStringLiteral("cannot be opened (unable to open database file: File name too long)")),
                 qPrintable(warning));
    }

    void onlyARegularFileIsEverTakenForTheHive_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a named pipe") << QStringLiteral("fifo");
        QTest::newRow("a link to a device") << QStringLiteral("device");
        QTest::newRow("a link to nowhere") << QStringLiteral("dangling");
        QTest::newRow("a link to a folder") << QStringLiteral("folder");
    }
    void onlyARegularFileIsEverTakenForTheHive()
    {
        QFETCH(QString, kind);
        QTemporaryDir elsewhere;
        const QString target = kind == QLatin1String("device") ? QStringLiteral("/dev/null")
                                                                : elsewhere.filePath(QStringLiteral("target"));
        QVERIFY(QDir().mkpath(QFileInfo(hive()).path()));
        const QByteArray hiveName = QFile::encodeName(hive());
        if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(hiveName.constData(), 0644), 0);
        else
            QVERIFY(QFile::link(target, hive()));
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(target));
        const QStringList targetFolderBefore = QDir(QFileInfo(target).path()).entryList(QDir::AllEntries | QDir::System);

        WriteRegValue(Options, QStringLiteral("Start Level"), QStringLiteral("9"));
        QCOMPARE(readText(Options, QStringLiteral("Start Level")), QString());
        QVERIFY(!RegObjAbsent());
        QCOMPARE(QDir(QFileInfo(target).path()).entryList(QDir::AllEntries | QDir::System), targetFolderBefore);
        QCOMPARE(QDir(QFileInfo(hive()).path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
                 QStringList{QStringLiteral("registry.db")});
    }

    void whereTheDataFolderCannotBeMadeReadsAreEmptyAndWritesLost()
    {
        const QString blocker = home_->path() + QStringLiteral("/a-file");
        putFile(blocker, "not a folder");
        for (const QString& dataHome : {blocker, blocker + QStringLiteral("/below")}) {
            qputenv("XDG_DATA_HOME", dataHome.toUtf8());
            WriteRegValue(Options, QStringLiteral("Start Level"), QStringLiteral("9"));
            QCOMPARE(readText(Options, QStringLiteral("Start Level")), QString());
            HiveTransaction transaction;
            WriteRegValue(Options, QStringLiteral("Still Bombs"), QStringLiteral("4"));
            transaction.commit();
            QCOMPARE(readText(Options, QStringLiteral("Still Bombs")), QString());
        }
        QCOMPARE(fileBytes(blocker), QByteArray("not a folder"));

        // A folder where the file should be is left alone as well.
        qputenv("XDG_DATA_HOME", home_->path().toUtf8());
        QVERIFY(QDir().mkpath(hive()));
        WriteRegValue(Options, QStringLiteral("Start Level"), QStringLiteral("9"));
        QCOMPARE(readText(Options, QStringLiteral("Start Level")), QString());
        QVERIFY(QFileInfo(hive()).isDir());
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == ChildFlag)
        return runChild(args);
    TestRegistry test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_registry.moc"
