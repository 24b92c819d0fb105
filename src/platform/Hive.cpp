#include "platform/Hive.h"

#include "platform/Windows1252.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStringList>

#include <array>
#include <sqlite3.h>

namespace {

constexpr auto RootName = "HKEY_LOCAL_MACHINE";
constexpr auto AppFolder = "/crawlix";
constexpr auto FileName = "/registry.db";
constexpr auto DefaultDataHome = "/.local/share";
constexpr auto AsideInfix = ".corrupt-";
constexpr auto AsideStampFormat = "yyyyMMdd-HHmmss";
constexpr auto LockSuffix = ".lock";
const QByteArray SqliteMagic("SQLite format 3", 16); // with its zero byte
// SQLite's companions of the file: a journal left by a writer that died belongs to the
// file it was written for, and must never be played back into a fresh hive.
constexpr std::array<const char*, 3> Companions = {"-journal", "-wal", "-shm"};

// Long enough for a second running copy of the game to finish its write and let go.
constexpr int BusyTimeoutMs = 10000;
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

// A rollback journal synced at every commit: a write cut off halfway is rolled back by the
// next opener. EXTRA also syncs the folder once the journal is gone, so a score written
// just before a power cut is not rolled back by a journal that comes back to life.
constexpr auto Settings = "PRAGMA synchronous = EXTRA; PRAGMA foreign_keys = ON;"
                          " PRAGMA journal_mode = DELETE;";

constexpr auto SelectKey = "SELECT path FROM registry_keys WHERE path = ?1";
constexpr auto InsertKey = "INSERT OR IGNORE INTO registry_keys (path) VALUES (?1)";
constexpr auto SelectValue =
    "SELECT data FROM registry_values WHERE key_path = ?1 AND name = ?2";
// A value keeps the case of its name as first written, as in the Windows registry.
constexpr auto UpsertValue =
    "INSERT INTO registry_values (key_path, name, type, data) VALUES (?1, ?2, ?3, ?4)"
    " ON CONFLICT (key_path, name) DO UPDATE SET type = excluded.type, data = excluded.data";
constexpr std::array<const char*, 4> Statements = {SelectKey, InsertKey, SelectValue, UpsertValue};

// The hive this process has open: one connection, opened again when XDG_DATA_HOME moves.
struct Connection {
    QString path;
    sqlite3* db = nullptr;
    int depth = 0;        // HiveTransactions alive
    bool doomed = false;  // the running transaction could not begin, or a write in it failed

    ~Connection() { shut(); }
    void shut()
    {
        sqlite3_close_v2(db);
        db = nullptr;
        path.clear();
    }
};

Connection hive;

// One prepared statement, finalized when it goes out of scope.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool prepared() const { return rc_ == SQLITE_OK; }
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
        if (!prepared())
            return false;
        rc_ = sqlite3_step(stmt_);
        return rc_ == SQLITE_ROW;
    }
    bool done() const { return rc_ == SQLITE_DONE; }
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
    int number(int column) const { return sqlite3_column_int(stmt_, column); }

private:
    sqlite3_stmt* stmt_ = nullptr;
    int rc_ = SQLITE_ERROR;
};

bool exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

// --- Opening the file ---

enum class Health { Usable, Empty, Unreadable, Unavailable };

bool unreadable(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

Health failure(int rc) { return unreadable(rc) ? Health::Unreadable : Health::Unavailable; }

// The first column of a one-row query, or the error code that stopped it.
struct Answer {
    int rc;
    QString value;
};

Answer ask(sqlite3* db, const char* sql)
{
    Statement query(db, sql);
    if (!query.step())
        return {query.error(), {}};
    return {SQLITE_OK, query.text(0)};
}

bool ourSchema(sqlite3* db)
{
    for (const char* sql : Statements) {
        if (!Statement(db, sql).prepared())
            return false;
    }
    return true;
}

Health inspect(sqlite3* db)
{
    // A truncated file can keep its first page, so only a walk over every page finds out.
    const Answer check = ask(db, "PRAGMA quick_check");
    if (check.rc != SQLITE_OK)
        return failure(check.rc);
    if (check.value != QLatin1String("ok"))
        return Health::Unreadable;
    const Answer version = ask(db, "PRAGMA user_version");
    const Answer objects = ask(db, "SELECT count(*) FROM sqlite_master");
    if (version.rc != SQLITE_OK || objects.rc != SQLITE_OK)
        return failure(version.rc != SQLITE_OK ? version.rc : objects.rc);
    if (version.value.toInt() == 0 && objects.value.toInt() == 0)
        return Health::Empty;
    if (version.value.toInt() == SchemaVersion && ourSchema(db))
        return Health::Usable;
    return Health::Unreadable;
}

// Lays out a new hive, unless a second copy of the game has done so meanwhile.
bool layOut(sqlite3* db)
{
    if (!exec(db, "BEGIN IMMEDIATE"))
        return false;
    const Answer objects = ask(db, "SELECT count(*) FROM sqlite_master");
    const bool empty = objects.rc == SQLITE_OK && objects.value.toInt() == 0;
    if ((!empty || exec(db, Schema)) && exec(db, "COMMIT"))
        return inspect(db) == Health::Usable;
    exec(db, "ROLLBACK");
    return false;
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

// Keeps an unreadable file, and whatever journal it left, under a dated name.
void setAside(const QString& file)
{
    const QString aside = asideName(file);
    if (!QFile::rename(file, aside))
        return;
    for (const char* companion : Companions) {
        if (QFileInfo::exists(file + QLatin1String(companion)))
            QFile::rename(file + QLatin1String(companion), aside + QLatin1String(companion));
    }
}

sqlite3* openConnection(const QString& file)
{
    sqlite3* db = nullptr;
    const QByteArray name = QFile::encodeName(file);
    if (sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    exec(db, Settings);
    return db;
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

// An open, usable hive, or nothing; health says why not.
sqlite3* tryOpen(const QString& file, Health& health)
{
    health = Health::Unreadable;
    if (!startsLikeADatabase(file))
        return nullptr;
    sqlite3* db = openConnection(file);
    health = db ? inspect(db) : Health::Unavailable;
    if (health == Health::Usable || (health == Health::Empty && layOut(db)))
        return db;
    sqlite3_close_v2(db);
    return nullptr;
}

// Opens the hive file, starting a fresh one beside a file that is not a readable hive.
sqlite3* openHive(const QString& file)
{
    if (!QDir().mkpath(QFileInfo(file).path()))
        return nullptr;
    // Only one copy of the game at a time may judge the file and set it aside.
    QLockFile guard(file + QLatin1String(LockSuffix));
    const bool judge = guard.tryLock(BusyTimeoutMs);
    Health health;
    sqlite3* db = tryOpen(file, health);
    if (db || health != Health::Unreadable || !judge || !QFileInfo(file).isFile())
        return db;
    setAside(file);
    return tryOpen(file, health);
}

QString dataHome()
{
    // A relative XDG_DATA_HOME is invalid and ignored, as the XDG rules say.
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::homePath() + QLatin1String(DefaultDataHome);
}

sqlite3* connection()
{
    if (hive.depth > 0)
        return hive.db; // a running transaction keeps its file to the end
    const QString file = Hive::path();
    if (hive.db && hive.path == file)
        return hive.db;
    hive.shut();
    hive.db = openHive(file);
    if (hive.db)
        hive.path = file;
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

// The key's path as first written, or empty text when the key is missing.
QString storedKey(sqlite3* db, const QString& fullPath)
{
    Statement query(db, SelectKey);
    query.bind(1, fullPath);
    return query.step() ? query.text(0) : QString();
}

bool insertKeys(sqlite3* db, const QStringList& chain)
{
    for (const QString& path : chain) {
        Statement insert(db, InsertKey);
        insert.bind(1, path);
        insert.step();
        if (!insert.done())
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
    return upsert.done();
}

// Runs a write as a transaction of its own, or as part of the HiveTransaction running.
template <typename Body>
bool write(Body body)
{
    sqlite3* db = connection();
    if (!db)
        return false;
    if (hive.depth > 0) {
        if (!hive.doomed && !body(db))
            hive.doomed = true;
        return !hive.doomed;
    }
    if (!exec(db, "BEGIN IMMEDIATE"))
        return false;
    if (body(db) && exec(db, "COMMIT"))
        return true;
    exec(db, "ROLLBACK");
    return false;
}

} // namespace

namespace Hive {

QString path() { return dataHome() + QLatin1String(AppFolder) + QLatin1String(FileName); }

bool createKey(const QString& keyPath)
{
    const QStringList chain = keyChain(keyPath);
    sqlite3* db = connection();
    if (!db)
        return false;
    if (!storedKey(db, chain.last()).isEmpty())
        return true;
    return write([&chain](sqlite3* db) { return insertKeys(db, chain); });
}

std::optional<QByteArray> queryValue(const QString& keyPath, const QString& name)
{
    sqlite3* db = connection();
    if (!db)
        return std::nullopt;
    Statement query(db, SelectValue);
    query.bind(1, keyChain(keyPath).last());
    query.bind(2, ansi(name));
    if (!query.step())
        return std::nullopt;
    return query.bytes(0);
}

bool setValue(const QString& keyPath, const QString& name, const QByteArray& data)
{
    const QStringList chain = keyChain(keyPath);
    return write([&](sqlite3* db) {
        return insertKeys(db, chain) && upsertValue(db, storedKey(db, chain.last()), ansi(name), data);
    });
}

void close()
{
    if (hive.depth == 0)
        hive.shut();
}

} // namespace Hive

HiveTransaction::HiveTransaction()
{
    sqlite3* db = connection();
    active_ = true;
    if (++hive.depth == 1)
        hive.doomed = !db || !exec(db, "BEGIN IMMEDIATE");
}

HiveTransaction::~HiveTransaction()
{
    if (!active_)
        return;
    // Left without commit: nothing written inside it lands, the enclosing ones included.
    hive.doomed = true;
    commit();
}

void HiveTransaction::commit()
{
    if (!active_)
        return;
    active_ = false;
    if (--hive.depth > 0)
        return;
    sqlite3* db = hive.db;
    if (db && !sqlite3_get_autocommit(db) && (hive.doomed || !exec(db, "COMMIT")))
        exec(db, "ROLLBACK");
    hive.doomed = false;
}
