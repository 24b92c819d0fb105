#include "platform/Hive.h"

#include "platform/Windows1252.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr auto RootName = "HKEY_LOCAL_MACHINE";
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

// Long enough for a second running copy of the game to finish its write and let go.
constexpr int DefaultBusyTimeoutMs = 10000;
// Once another program has held the hive locked through a whole busy timeout, the calls
// that follow only look briefly, so that a start-up under its lock waits once, not at
// every read.
constexpr int BriefBusyMs = 50;
// The lock that guards setting a file aside is held only for a rename.
constexpr int AsideLockWaitMs = 2000;
constexpr int AsideLockPollMs = 10;
constexpr int SchemaVersion = 1;
constexpr int RegSz = 1;

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

constexpr auto SelectKey = "SELECT path FROM registry_keys WHERE path = ?1";
constexpr auto InsertKey = "INSERT OR IGNORE INTO registry_keys (path) VALUES (?1)";
constexpr auto SelectValue =
    "SELECT data FROM registry_values WHERE key_path = ?1 AND name = ?2";
// A value keeps the case of its name as first written, as in the Windows registry.
constexpr auto UpsertValue =
    "INSERT INTO registry_values (key_path, name, type, data) VALUES (?1, ?2, ?3, ?4)"
    " ON CONFLICT (key_path, name) DO UPDATE SET type = excluded.type, data = excluded.data";

// Which file a path named when it was opened, so that a file another copy of the game has
// already set aside and replaced is never set aside in its turn.
struct FileId {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId&) const = default;
};

FileId identify(const QString& file)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(file).constData(), &info) != 0)
        return {};
    return {true, info.st_dev, info.st_ino};
}

// The hive this process has open: one connection, opened again when XDG_DATA_HOME moves,
// and what this process has learnt about the file meanwhile.
struct Connection {
    QString path;        // where the hive is looked for
    QString file;        // the regular file opened there (a link's target)
    FileId id;
    sqlite3* db = nullptr;
    int depth = 0;       // HiveTransactions alive
    bool doomed = false; // the running transaction could not begin, or a read or write in it failed
    bool wal = false;
    bool readsBlocked = false;  // locked past the busy timeout: look only briefly
    bool writesBlocked = false;
    bool insisting = false;     // an entry that must not be given up lightly is being stored
    bool sawBusy = false;       // since the current attempt began
    bool damaged = false;       // met damage; set aside once the running transaction ends
    bool moved = false;         // another copy set the file aside under us
    bool freshStarted = false;  // a damaged file here was set aside already
    bool givenUp = false;       // damaged again after a fresh start: unusable for this run

    ~Connection() { shut(true); }
    void shut(bool fold)
    {
        // A damaged file is kept as it is: its log is not folded back into it.
        if (db && !fold)
            sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        // The last connection to close folds the log back into the file and removes it.
        sqlite3_close_v2(db);
        db = nullptr;
        wal = false;
    }
    void forget()
    {
        shut(true);
        *this = Connection();
    }
};

Connection hive;
int busyTimeoutMs = DefaultBusyTimeoutMs;
bool warned = false; // one warning line per run is enough

void warn(const QString& what)
{
    if (warned)
        return;
    warned = true;
    QTextStream(stderr) << "crawlix: warning: " << Hive::path() << ": " << what
                        << Qt::endl;
}

// One prepared statement, finalized when it goes out of scope.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    int error() const { return rc_; }
    void bind(int index, const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(stmt_, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bind(int index, int number) { sqlite3_bind_int(stmt_, index, number); }
    void bind(int index, const QByteArray& bytes)
    {
        // A null pointer would bind NULL, not an empty value.
        if (bytes.isEmpty())
            sqlite3_bind_zeroblob(stmt_, index, 0);
        else
            sqlite3_bind_blob(stmt_, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    }
    // True while a row is there; error() tells a failure from the end of the rows.
    bool step()
    {
        if (rc_ != SQLITE_OK && rc_ != SQLITE_ROW)
            return false;
        rc_ = sqlite3_step(stmt_);
        return rc_ == SQLITE_ROW;
    }
    QString text(int column) const
    {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column)),
                                 sqlite3_column_bytes(stmt_, column));
    }
    QByteArray bytes(int column) const
    {
        const void* data = sqlite3_column_blob(stmt_, column);
        return QByteArray(static_cast<const char*>(data), sqlite3_column_bytes(stmt_, column));
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
    int rc_ = SQLITE_ERROR;
};

int exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

bool folderWritable(const QString& file)
{
    return ::access(QFile::encodeName(QFileInfo(file).path()).constData(), W_OK) == 0;
}

// A file that reads as something other than a hive, or that will not take writes although
// its folder would (a header that makes it read-only), is damaged. A file moved away
// under a connection is not: that connection only has to open the path again.
bool damage(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB
        || (rc == SQLITE_READONLY && folderWritable(hive.file));
}

// --- What the calls met ---

enum class Access { Read, Write };

int patienceMs(Access access)
{
    const bool blocked = access == Access::Read ? hive.readsBlocked : hive.writesBlocked;
    return blocked && !hive.insisting ? std::min(BriefBusyMs, busyTimeoutMs) : busyTimeoutMs;
}

void beginCall(sqlite3* db, Access access) { sqlite3_busy_timeout(db, patienceMs(access)); }

// Takes note of how a call on the hive ended; true when it succeeded. A failure inside a
// transaction dooms it, so that nothing is written on the strength of a failed read.
bool settle(int rc, Access access)
{
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) {
        hive.readsBlocked = false;
        if (access == Access::Write)
            hive.writesBlocked = false;
        return true;
    }
    if ((rc & 0xff) == SQLITE_BUSY) {
        hive.sawBusy = true;
        hive.writesBlocked = true;
        hive.readsBlocked = hive.readsBlocked || access == Access::Read;
        warn(QStringLiteral("locked by another program; options and scores may not be kept"));
    } else if (rc == SQLITE_READONLY_DBMOVED) {
        hive.moved = true;
    } else if (damage(rc)) {
        hive.damaged = true;
    } else {
        warn(QString::fromUtf8(sqlite3_errstr(rc)) + QStringLiteral("; options and scores are not kept"));
    }
    if (hive.depth > 0)
        hive.doomed = true;
    return false;
}

// --- Opening the file ---

enum class Health { Usable, Empty, Damaged, Busy, Unavailable };

Health failure(int rc)
{
    const int primary = rc & 0xff;
    if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
        return Health::Damaged;
    return primary == SQLITE_BUSY ? Health::Busy : Health::Unavailable;
}

// The first column of a one-row query, or the error code that stopped it.
struct Answer {
    int rc;
    QString value;
};

Answer ask(sqlite3* db, const char* sql)
{
    Statement query(db, sql);
    if (!query.step())
        return {query.error() == SQLITE_DONE ? SQLITE_OK : query.error(), {}};
    return {SQLITE_OK, query.text(0)};
}

Health inspect(sqlite3* db)
{
    // Only a walk over every page and index entry finds a page copied over another.
    const Answer check = ask(db, "PRAGMA integrity_check");
    if (check.rc != SQLITE_OK)
        return failure(check.rc);
    if (check.value != QLatin1String("ok"))
        return Health::Damaged;
    const Answer version = ask(db, "PRAGMA user_version");
    const Answer objects = ask(db, "SELECT count(*) FROM sqlite_master");
    if (version.rc != SQLITE_OK || objects.rc != SQLITE_OK)
        return failure(version.rc != SQLITE_OK ? version.rc : objects.rc);
    if (version.value.toInt() == 0 && objects.value.toInt() == 0)
        return Health::Empty;
    const Answer shape = ask(db, ShapeQuery);
    if (shape.rc != SQLITE_OK)
        return failure(shape.rc);
    const bool ours = version.value.toInt() == SchemaVersion && shape.value == QLatin1String(Shape);
    return ours ? Health::Usable : Health::Damaged;
}

// Lays out a new hive, unless a second copy of the game has done so meanwhile.
Health layOut(sqlite3* db)
{
    const int begun = exec(db, "BEGIN IMMEDIATE");
    if (begun != SQLITE_OK)
        return failure(begun);
    const Answer objects = ask(db, "SELECT count(*) FROM sqlite_master");
    const bool empty = objects.rc == SQLITE_OK && objects.value.toInt() == 0;
    const int laidOut = empty ? exec(db, Schema) : objects.rc;
    const int committed = laidOut == SQLITE_OK ? exec(db, "COMMIT") : laidOut;
    if (committed == SQLITE_OK)
        return inspect(db);
    exec(db, "ROLLBACK");
    return failure(committed);
}

// Switches the file to the write-ahead log; it stays so. Tried again before a later write
// when another program's lock is in the way now.
bool useWal(sqlite3* db)
{
    sqlite3_busy_timeout(db, 0);
    return ask(db, WalMode).value.compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
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
void setAside(const QString& file)
{
    const QString aside = asideName(file);
    if (!QFile::rename(file, aside))
        return;
    for (const char* companion : Companions) {
        if (QFileInfo::exists(file + QLatin1String(companion)))
            QFile::rename(file + QLatin1String(companion), aside + QLatin1String(companion));
    }
    warn(QStringLiteral("damaged; kept as %1 and a new one started").arg(aside));
}

// Held while a file is set aside, so that two copies of the game never both do it. The
// system lets go of it when the process ends, however it ends, so it never goes stale.
class AsideLock {
public:
    explicit AsideLock(const QString& file)
        : fd_(::open(QFile::encodeName(file + QLatin1String(LockSuffix)).constData(),
                     O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644))
    {
        for (int waited = 0; fd_ >= 0 && waited <= AsideLockWaitMs; waited += AsideLockPollMs) {
            held_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
            if (held_)
                return;
            QThread::msleep(AsideLockPollMs);
        }
    }
    ~AsideLock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    AsideLock(const AsideLock&) = delete;
    AsideLock& operator=(const AsideLock&) = delete;
    bool held() const { return held_; }

private:
    int fd_;
    bool held_ = false;
};

// Sets a damaged file aside, once for each place the hive is kept: damage that comes
// back at once is not chased through a row of fresh files. False when given up.
bool setAsideOnce(const QString& file, const FileId& id)
{
    if (hive.freshStarted) {
        hive.givenUp = true;
        warn(QStringLiteral("damaged again; options and scores are not kept"));
        return false;
    }
    hive.freshStarted = true;
    const AsideLock lock(file);
    // Another copy of the game may have set it aside and started afresh already.
    if (lock.held() && id.exists && identify(file) == id)
        setAside(file);
    return true;
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

// The file to open: the path itself, or where its symbolic link leads, as long as that is
// a regular file (or nothing yet). Empty for anything else (a folder, a device, a link to
// one or to nowhere): no hive is kept there, and nothing is created beside it.
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

struct Opened {
    sqlite3* db = nullptr;
    Health health = Health::Unavailable;
    FileId id;
};

sqlite3* openConnection(const QString& file)
{
    sqlite3* db = nullptr;
    const QByteArray name = QFile::encodeName(file);
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW;
    if (sqlite3_open_v2(name.constData(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 1);
    beginCall(db, Access::Read);
    return db;
}

// An open, usable hive, or why there is none.
Opened tryOpen(const QString& file)
{
    Opened opened{nullptr, Health::Damaged, identify(file)};
    if (!startsLikeADatabase(file))
        return opened;
    sqlite3* db = openConnection(file);
    if (!db) {
        opened.health = Health::Unavailable;
        return opened;
    }
    opened.id = identify(file);
    opened.health = inspect(db);
    if (opened.health == Health::Empty)
        opened.health = layOut(db);
    if (opened.health == Health::Usable && sqlite3_db_readonly(db, "main") == 1 && folderWritable(file))
        opened.health = Health::Damaged;
    if (opened.health != Health::Usable) {
        if (opened.health == Health::Damaged)
            sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_close_v2(db);
        return opened;
    }
    // Only now: setting the syncing reads the file, and would wait out a lock a second time.
    exec(db, Settings);
    hive.wal = useWal(db);
    opened.db = db;
    return opened;
}

// Opens the hive file, starting a fresh one beside a file that is not a sound hive.
sqlite3* openHive(const QString& path)
{
    if (!QDir().mkpath(QFileInfo(path).path())) {
        warn(QStringLiteral("its folder cannot be made; options and scores are not kept"));
        return nullptr;
    }
    hive.file = regularFile(path);
    if (hive.file.isEmpty()) {
        warn(QStringLiteral("not a regular file; options and scores are not kept"));
        return nullptr;
    }
    Opened opened = tryOpen(hive.file);
    if (opened.health == Health::Damaged && setAsideOnce(hive.file, opened.id))
        opened = tryOpen(hive.file);
    hive.id = opened.id;
    switch (opened.health) {
    case Health::Usable:
        settle(SQLITE_OK, Access::Read);
        break;
    case Health::Busy:
        settle(SQLITE_BUSY, Access::Read);
        break;
    case Health::Damaged:
        setAsideOnce(hive.file, opened.id); // a fresh hive damaged at once: given up
        break;
    default:
        warn(QStringLiteral("cannot be opened; options and scores are not kept"));
    }
    return opened.db;
}

QString dataHome()
{
    // A relative XDG_DATA_HOME is invalid and ignored, as the XDG rules say.
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::homePath() + QLatin1String(DefaultDataHome);
}

// Lets go of a file found damaged or moved away, setting a damaged one aside. Neither is
// touched again: its log stays with it.
void recover()
{
    const bool damaged = hive.damaged;
    hive.damaged = false;
    hive.moved = false;
    hive.shut(false);
    if (damaged)
        setAsideOnce(hive.file, hive.id);
}

sqlite3* connection()
{
    if (hive.depth > 0)
        return hive.db; // a running transaction keeps its file to the end
    const QString path = Hive::path();
    if (path != hive.path) {
        hive.forget();
        hive.path = path;
    }
    if (hive.damaged || hive.moved)
        recover();
    if (!hive.db && !hive.givenUp)
        hive.db = openHive(path);
    return hive.db;
}

// --- Keys and values ---

// Names go through the ANSI code page on their way in, as they did on Windows.
QString ansi(const QString& text) { return Windows1252::toUnicode(Windows1252::fromUnicode(text)); }

// Every key from the top down to the caller's key, each as a full path below the root.
QStringList keyChain(const QString& keyPath)
{
    QString path = QLatin1String(RootName);
    QStringList chain;
    for (const QString& part : ansi(keyPath).split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('\\') + part;
        chain.append(path);
    }
    if (chain.isEmpty())
        chain.append(path);
    return chain;
}

// The key's path as first written, empty text when the key is missing, or nothing when
// it could not be read.
std::optional<QString> storedKey(sqlite3* db, const QString& fullPath)
{
    Statement query(db, SelectKey);
    query.bind(1, fullPath);
    if (query.step())
        return query.text(0);
    if (!settle(query.error(), Access::Read))
        return std::nullopt;
    return QString();
}

bool insertKeys(sqlite3* db, const QStringList& chain)
{
    for (const QString& path : chain) {
        Statement insert(db, InsertKey);
        insert.bind(1, path);
        insert.step();
        if (!settle(insert.error(), Access::Write))
            return false;
    }
    return true;
}

bool upsertValue(sqlite3* db, const QString& keyPath, const QString& name, const QByteArray& data)
{
    Statement upsert(db, UpsertValue);
    upsert.bind(1, keyPath);
    upsert.bind(2, name);
    upsert.bind(3, RegSz);
    upsert.bind(4, data);
    upsert.step();
    return settle(upsert.error(), Access::Write);
}

int beginWrite(sqlite3* db)
{
    if (!hive.wal)
        hive.wal = useWal(db);
    beginCall(db, Access::Write);
    return exec(db, "BEGIN IMMEDIATE");
}

bool commitWrite(sqlite3* db)
{
    beginCall(db, Access::Write);
    return settle(exec(db, "COMMIT"), Access::Write);
}

// Runs a write as a transaction of its own, or as part of the HiveTransaction running.
template <typename Body>
bool write(Body body)
{
    sqlite3* db = connection();
    if (!db) {
        hive.doomed = hive.doomed || hive.depth > 0;
        return false;
    }
    if (hive.depth > 0) {
        if (!hive.doomed && !body(db))
            hive.doomed = true;
        return !hive.doomed;
    }
    if (!settle(beginWrite(db), Access::Write))
        return false;
    if (body(db) && commitWrite(db))
        return true;
    exec(db, "ROLLBACK");
    return false;
}

// Makes every call while it lives wait the whole busy timeout.
class Insisting {
public:
    Insisting() : saved_(hive.insisting) { hive.insisting = true; }
    ~Insisting() { hive.insisting = saved_; }
    Insisting(const Insisting&) = delete;
    Insisting& operator=(const Insisting&) = delete;

private:
    bool saved_;
};

} // namespace

namespace Hive {

QString path() { return dataHome() + QLatin1String(AppFolder) + QLatin1String(FileName); }

bool createKey(const QString& keyPath)
{
    const QStringList chain = keyChain(keyPath);
    sqlite3* db = connection();
    if (!db)
        return false;
    beginCall(db, Access::Read);
    const std::optional<QString> stored = storedKey(db, chain.last());
    if (!stored)
        return false;
    if (!stored->isEmpty())
        return true;
    return write([&chain](sqlite3* db) { return insertKeys(db, chain); });
}

Value queryValue(const QString& keyPath, const QString& name)
{
    const QStringList chain = keyChain(keyPath);
    sqlite3* db = connection();
    if (!db) {
        hive.doomed = hive.doomed || hive.depth > 0;
        return {};
    }
    beginCall(db, Access::Read);
    Statement query(db, SelectValue);
    query.bind(1, chain.last());
    query.bind(2, ansi(name));
    if (query.step()) {
        settle(SQLITE_ROW, Access::Read);
        return {Value::State::Present, query.bytes(0)};
    }
    if (!settle(query.error(), Access::Read))
        return {};
    // Opening a key creates it and every missing key above it. A key that cannot be made
    // now holds no value either, so the value is absent all the same.
    const std::optional<QString> stored = storedKey(db, chain.last());
    if (stored && stored->isEmpty())
        write([&chain](sqlite3* db) { return insertKeys(db, chain); });
    return {Value::State::Absent, {}};
}

bool setValue(const QString& keyPath, const QString& name, const QByteArray& data)
{
    const QStringList chain = keyChain(keyPath);
    return write([&](sqlite3* db) {
        if (!insertKeys(db, chain))
            return false;
        const std::optional<QString> stored = storedKey(db, chain.last());
        return stored && upsertValue(db, *stored, ansi(name), data);
    });
}

bool transact(const std::function<void()>& body, int attempts)
{
    const Insisting insisting;
    bool landed = false;
    for (int attempt = 0; attempt < attempts && !landed; ++attempt) {
        hive.sawBusy = false;
        HiveTransaction transaction;
        body();
        landed = transaction.commit();
        if (!hive.sawBusy)
            break;
    }
    return landed;
}

void setBusyTimeoutMs(int milliseconds) { busyTimeoutMs = milliseconds; }

void close()
{
    if (hive.depth == 0)
        hive.forget();
}

} // namespace Hive

HiveTransaction::HiveTransaction()
{
    sqlite3* db = connection();
    active_ = true;
    if (++hive.depth == 1)
        hive.doomed = !db || !settle(beginWrite(db), Access::Write);
}

HiveTransaction::~HiveTransaction()
{
    if (!active_)
        return;
    // Left without commit: nothing written inside it lands, the enclosing ones included.
    hive.doomed = true;
    commit();
}

bool HiveTransaction::commit()
{
    if (!active_)
        return false;
    active_ = false;
    if (--hive.depth > 0)
        return !hive.doomed;
    sqlite3* db = hive.db;
    bool landed = false;
    if (db && !sqlite3_get_autocommit(db)) {
        landed = !hive.doomed && commitWrite(db);
        if (!landed)
            exec(db, "ROLLBACK");
    }
    hive.doomed = false;
    return landed;
}
