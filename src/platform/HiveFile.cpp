// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HiveFile.h"

#include "platform/SqliteStatement.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QThread>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using Sqlite::ask;
using Sqlite::exec;

namespace {

constexpr auto AppFolder = "/crawlix";
constexpr auto FileName = "/registry.db";
constexpr auto DefaultDataHome = "/.local/share";
constexpr auto AsideInfix = ".corrupt-";
constexpr auto AsideStampFormat = "yyyyMMdd-HHmmss";
constexpr auto LockSuffix = ".lock";
const QByteArray SqliteMagic("SQLite format 3", 16); // with its zero byte
// SQLite's companions of the file: a journal or log left by a writer that died belongs to
// the file it was written for, and must never be played back into a fresh hive.
constexpr std::array<const char*, 3> Companions = {"-journal", "-wal", "-shm"};

// The lock that guards setting a file aside is held only for a rename; one held longer
// than this is held by something else, and is reported.
constexpr int AsideLockWaitMs = 2000;
constexpr int AsideLockPollMs = 10;
constexpr int SchemaVersion = 1;

// The stored file format; once landed, a change needs a migration.
constexpr auto Schema = R"sql(
CREATE TABLE registry_keys (
  path TEXT PRIMARY KEY COLLATE NOCASE
);
CREATE TABLE registry_values (
  key_path TEXT NOT NULL COLLATE NOCASE REFERENCES registry_keys(path),
  name     TEXT NOT NULL COLLATE NOCASE,
  type     INTEGER NOT NULL,
  data     BLOB NOT NULL,
  PRIMARY KEY (key_path, name)
);
PRAGMA user_version = 1;
)sql";

// The shape of that format as SQLite reports it: the objects, every column with its type,
// NOT NULL and key place, the collation of both keys, and the link from values to keys.
// Another column, a trigger or a key that tells case apart would make writes fail later.
constexpr auto ShapeQuery = R"sql(
SELECT (SELECT group_concat(type || ' ' || name, ',')
          FROM (SELECT type, name FROM sqlite_master ORDER BY name))
 || ';' || (SELECT group_concat(name || ' ' || type || ' ' || "notnull" || ' ' || pk, ',')
              FROM pragma_table_info('registry_keys'))
 || ';' || (SELECT group_concat(name || ' ' || type || ' ' || "notnull" || ' ' || pk, ',')
              FROM pragma_table_info('registry_values'))
 || ';' || (SELECT group_concat(name || ' ' || coll, ',')
              FROM pragma_index_xinfo('sqlite_autoindex_registry_keys_1') WHERE key)
 || ';' || (SELECT group_concat(name || ' ' || coll, ',')
              FROM pragma_index_xinfo('sqlite_autoindex_registry_values_1') WHERE key)
 || ';' || (SELECT group_concat("table" || ' ' || "from" || ' ' || "to", ',')
              FROM pragma_foreign_key_list('registry_values'))
)sql";
constexpr auto Shape =
    "table registry_keys,table registry_values,index sqlite_autoindex_registry_keys_1,"
    "index sqlite_autoindex_registry_values_1;path TEXT 0 1;key_path TEXT 1 1,name TEXT 1 2,"
    "type INTEGER 1 0,data BLOB 1 0;path NOCASE;key_path NOCASE,name NOCASE;"
    "registry_keys key_path path";

// Every commit is synced: a write cut off halfway never lands, one that returned did.
constexpr auto Settings = "PRAGMA synchronous = FULL; PRAGMA foreign_keys = ON;";
// With the write-ahead log a reader (another copy of the game, a sqlite3 shell) never
// keeps the game from storing a score.
constexpr auto WalMode = "PRAGMA journal_mode = WAL";

bool warned = false; // one warning line per run is enough

using HiveFile::Health;

bool writable(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

Health failure(int rc)
{
    const int primary = rc & 0xff;
    if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
        return Health::Damaged;
    return primary == SQLITE_BUSY ? Health::Busy : Health::Unavailable;
}

// Usable, or Empty for a file with nothing in it yet (laid out next), or why not.
enum class Check { Sound, Empty, Failed };

struct Inspection {
    Check check;
    Health failure = Health::Usable;
};

Inspection inspect(sqlite3* db)
{
    // Only a walk over every page and index entry finds a page copied over another.
    const Sqlite::Answer integrity = ask(db, "PRAGMA integrity_check");
    if (integrity.rc != SQLITE_OK)
        return {Check::Failed, failure(integrity.rc)};
    if (integrity.value != QLatin1String("ok"))
        return {Check::Failed, Health::Damaged};
    const Sqlite::Answer version = ask(db, "PRAGMA user_version");
    const Sqlite::Answer objects = ask(db, "SELECT count(*) FROM sqlite_master");
    if (version.rc != SQLITE_OK || objects.rc != SQLITE_OK)
        return {Check::Failed, failure(version.rc != SQLITE_OK ? version.rc : objects.rc)};
    if (version.value.toInt() == 0 && objects.value.toInt() == 0)
        return {Check::Empty};
    const Sqlite::Answer shape = ask(db, ShapeQuery);
    if (shape.rc != SQLITE_OK)
        return {Check::Failed, failure(shape.rc)};
    const bool ours = version.value.toInt() == SchemaVersion && shape.value == QLatin1String(Shape);
    return ours ? Inspection{Check::Sound} : Inspection{Check::Failed, Health::Damaged};
}

// Lays out a new hive, unless a second copy of the game has done so meanwhile.
Health layOut(sqlite3* db)
{
    const int begun = exec(db, "BEGIN IMMEDIATE");
    if (begun != SQLITE_OK)
        return failure(begun);
    const Sqlite::Answer objects = ask(db, "SELECT count(*) FROM sqlite_master");
    const bool empty = objects.rc == SQLITE_OK && objects.value.toInt() == 0;
    const int laidOut = empty ? exec(db, Schema) : objects.rc;
    const int committed = laidOut == SQLITE_OK ? exec(db, "COMMIT") : laidOut;
    if (committed != SQLITE_OK) {
        exec(db, "ROLLBACK");
        return failure(committed);
    }
    const Inspection again = inspect(db);
    return again.check == Check::Sound ? Health::Usable : again.check == Check::Empty ? Health::Damaged : again.failure;
}

Health health(sqlite3* db)
{
    const Inspection found = inspect(db);
    if (found.check == Check::Empty)
        return layOut(db);
    return found.check == Check::Sound ? Health::Usable : found.failure;
}

// Whether the file is empty or begins as every SQLite file does. Anything else is set
// aside before SQLite touches it, since SQLite would play a journal lying beside it back
// into the file, or throw the journal away, and the bad file must be kept as it is.
bool startsLikeADatabase(const QString& file)
{
    QFile head(file);
    if (!head.open(QIODevice::ReadOnly) || head.size() == 0)
        return true;
    return head.read(SqliteMagic.size()) == SqliteMagic;
}

// SQLite's own words for the last failure on the connection, and the system's below them.
QString sqliteWords(sqlite3* db)
{
    QString words = QString::fromUtf8(sqlite3_errmsg(db));
    if (const int error = sqlite3_system_errno(db))
        words += QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
    return words;
}

sqlite3* openConnection(const QString& file, int busyMs, QString& why)
{
    sqlite3* db = nullptr;
    const QByteArray name = QFile::encodeName(file);
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW;
    if (sqlite3_open_v2(name.constData(), &db, flags, nullptr) != SQLITE_OK) {
        why = sqliteWords(db);
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, busyMs);
    return db;
}

QString asideName(const QString& file)
{
    const QString stamped = file + QLatin1String(AsideInfix)
        + QDateTime::currentDateTimeUtc().toString(QLatin1String(AsideStampFormat));
    QString name = stamped;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = stamped + QLatin1Char('-') + QString::number(n);
    return name;
}

// Keeps an unreadable file, and whatever journal or log it left, under a dated name.
// Empty text when done; otherwise what kept it.
QString rename(const QString& file)
{
    const QString aside = asideName(file);
    // The system's rename, which either happens whole or not at all and says why not.
    if (::rename(QFile::encodeName(file).constData(), QFile::encodeName(aside).constData()) != 0)
        return QStringLiteral("%1 cannot be renamed (%2)").arg(file, QString::fromLocal8Bit(std::strerror(errno)));
    for (const char* companion : Companions) {
        if (QFileInfo::exists(file + QLatin1String(companion)))
            QFile::rename(file + QLatin1String(companion), aside + QLatin1String(companion));
    }
    HiveFile::warn(QStringLiteral("damaged; kept as %1 and a new one started").arg(aside));
    return {};
}

// Held while a file is set aside, so that two copies of the game never both do it. The
// system lets go of it when the process ends, however it ends, so it never goes stale.
// Only a regular file serves: a folder, a link or a device there blocks it, and so does a
// lock held past the short time a rename takes.
class AsideLock {
public:
    explicit AsideLock(const QString& file) : name_(file + QLatin1String(LockSuffix))
    {
        const QByteArray encoded = QFile::encodeName(name_);
        struct stat info {};
        if (::lstat(encoded.constData(), &info) == 0 && !S_ISREG(info.st_mode)) {
            blocker_ = QStringLiteral("%1 is not a regular file").arg(name_);
            return;
        }
        fd_ = ::open(encoded.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
        if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
            blocker_ = QStringLiteral("%1 cannot be opened").arg(name_);
            return;
        }
        for (int waited = 0; waited <= AsideLockWaitMs; waited += AsideLockPollMs) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0)
                return;
            QThread::msleep(AsideLockPollMs);
        }
        blocker_ = QStringLiteral("%1 is held by another program").arg(name_);
    }
    ~AsideLock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    AsideLock(const AsideLock&) = delete;
    AsideLock& operator=(const AsideLock&) = delete;
    // Empty text while held; otherwise what keeps it.
    const QString& blocker() const { return blocker_; }

private:
    QString name_;
    int fd_ = -1;
    QString blocker_;
};

QString dataHome()
{
    // A relative XDG_DATA_HOME is invalid and ignored, as the XDG rules say.
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::homePath() + QLatin1String(DefaultDataHome);
}

} // namespace

namespace HiveFile {

QString path() { return dataHome() + QLatin1String(AppFolder) + QLatin1String(FileName); }

void warn(const QString& what)
{
    if (warned)
        return;
    warned = true;
    QTextStream(stderr) << "crawlix: warning: " << path() << ": " << what << Qt::endl;
}

FileId identify(const QString& file)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(file).constData(), &info) != 0)
        return {};
    return {true, info.st_dev, info.st_ino};
}

QString regularFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0)
        return errno == ENOENT ? path : QString();
    if (S_ISREG(info.st_mode))
        return path;
    if (!S_ISLNK(info.st_mode) || ::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    return QFileInfo(path).canonicalFilePath();
}

QString unwritable(const QString& file)
{
    const QString folder = QFileInfo(file).path();
    if (!writable(folder))
        return folder;
    if (QFileInfo::exists(file) && !writable(file))
        return file;
    for (const char* companion : Companions) {
        const QString name = file + QLatin1String(companion);
        if (QFileInfo::exists(name) && !writable(name))
            return name;
    }
    return {};
}

bool damage(int rc, const QString& file)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB
        || (rc == SQLITE_READONLY && unwritable(file).isEmpty());
}

Opened open(const QString& file, int busyMs)
{
    Opened opened{nullptr, Health::Damaged, identify(file)};
    if (!startsLikeADatabase(file))
        return opened;
    sqlite3* db = openConnection(file, busyMs, opened.why);
    if (!db) {
        opened.health = Health::Unavailable;
        return opened;
    }
    opened.id = identify(file);
    opened.health = health(db);
    if (opened.health == Health::Usable && sqlite3_db_readonly(db, "main") == 1 && unwritable(file).isEmpty())
        opened.health = Health::Damaged;
    if (opened.health != Health::Usable) {
        if (opened.health == Health::Unavailable)
            opened.why = sqliteWords(db);
        // A damaged file is kept as it is: its log is not folded back into it.
        if (opened.health == Health::Damaged)
            sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_close_v2(db);
        return opened;
    }
    // Only now: setting the syncing reads the file, and would wait out a lock a second time.
    exec(db, Settings);
    opened.wal = useWal(db);
    opened.db = db;
    return opened;
}

bool useWal(sqlite3* db)
{
    sqlite3_busy_timeout(db, 0);
    return ask(db, WalMode).value.compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
}

QString setAside(const QString& file, const FileId& id)
{
    const AsideLock lock(file);
    if (!lock.blocker().isEmpty())
        return lock.blocker();
    // Another copy of the game may have set it aside and started afresh already.
    if (id.exists && identify(file) == id)
        return rename(file);
    return {};
}

} // namespace HiveFile
