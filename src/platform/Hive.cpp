// SPDX-License-Identifier: GPL-3.0-or-later
// The registry's keys and values in the hive, the busy waits and the transactions. The
// file's own life (where it lies, its checks, setting it aside) is HiveFile's.
#include "platform/Hive.h"

#include "platform/HiveFile.h"
#include "platform/SqliteStatement.h"
#include "platform/Windows1252.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <optional>
#include <sqlite3.h>

using HiveFile::Health;
using HiveFile::warn;
using Sqlite::exec;

namespace {

constexpr auto RootName = "HKEY_LOCAL_MACHINE";
// Long enough for a second running copy of the game to finish its write and let go.
constexpr int DefaultBusyTimeoutMs = 10000;
// Once another program has held the hive locked through a whole busy timeout, the calls
// that follow only look briefly, so that a start-up under its lock waits once, not at
// every read.
constexpr int BriefBusyMs = 50;
constexpr int RegSz = 1;

constexpr auto SelectKey = "SELECT path FROM registry_keys WHERE path = ?1";
constexpr auto InsertKey = "INSERT OR IGNORE INTO registry_keys (path) VALUES (?1)";
constexpr auto SelectValue =
    "SELECT data FROM registry_values WHERE key_path = ?1 AND name = ?2";
// A value keeps the case of its name as first written, as in the Windows registry.
constexpr auto UpsertValue =
    "INSERT INTO registry_values (key_path, name, type, data) VALUES (?1, ?2, ?3, ?4)"
    " ON CONFLICT (key_path, name) DO UPDATE SET type = excluded.type, data = excluded.data";

// Where this process stands with the hive at the path it looks at.
enum class State {
    Closed,       // nothing open: the next call opens the path
    Open,         // a sound hive open, no other program's lock in the way
    WritesLocked, // open; another program held the write lock through a whole busy timeout
    Locked,       // open; another program kept even readers out through a whole busy timeout
    Damaged,      // damage met: set aside once the running transaction ends, then opened afresh
    Moved,        // another copy of the game set the file aside under us: opened afresh
    Unusable,     // damaged again after a fresh start, or could not be set aside: for this run
};

// The hive this process has open: one connection, opened again when XDG_DATA_HOME moves.
struct Connection {
    State state = State::Closed;
    QString path;        // where the hive is looked for
    QString file;        // the regular file opened there (a link's target)
    HiveFile::FileId id;
    sqlite3* db = nullptr;
    bool wal = false;
    bool setAside = false; // a damaged file here was set aside already: no second fresh start

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
        if (state != State::Unusable)
            state = State::Closed;
    }
    void forget()
    {
        shut(true);
        *this = Connection();
    }
};

// The HiveTransactions alive, and whether what runs inside them may still land.
struct Transaction {
    int depth = 0;
    bool doomed = false;   // it could not begin, or a read or write in it failed
    bool insisting = false; // an entry that must not be given up lightly is being stored
    bool sawBusy = false;   // another program's lock was met since the current attempt began
};

Connection hive;
Transaction running;
int busyTimeoutMs = DefaultBusyTimeoutMs;

enum class Access { Read, Write };

int patienceMs(Access access)
{
    const bool blocked = hive.state == State::Locked
        || (access == Access::Write && hive.state == State::WritesLocked);
    return blocked && !running.insisting ? std::min(BriefBusyMs, busyTimeoutMs) : busyTimeoutMs;
}

void beginCall(sqlite3* db, Access access) { sqlite3_busy_timeout(db, patienceMs(access)); }

void cameThrough(Access access)
{
    if (hive.state == State::Locked)
        hive.state = State::WritesLocked;
    if (access == Access::Write && hive.state == State::WritesLocked)
        hive.state = State::Open;
}

void metLock(Access access)
{
    running.sawBusy = true;
    if (hive.state == State::Open)
        hive.state = State::WritesLocked;
    if (access == Access::Read && hive.state == State::WritesLocked)
        hive.state = State::Locked;
    warn(QStringLiteral("locked by another program; options and scores may not be kept"));
}

// A write that fails because something beside the file will not take it (its log, its
// index of the log, its journal or its folder) leaves the file as it is, and says which.
void metFailure(int rc)
{
    const QString blocker = HiveFile::unwritable(hive.file);
    if ((rc & 0xff) == SQLITE_READONLY && !blocker.isEmpty())
        warn(QStringLiteral("%1 cannot be written; options and scores are not kept").arg(blocker));
    else
        warn(QString::fromUtf8(sqlite3_errstr(rc)) + QStringLiteral("; options and scores are not kept"));
}

// Takes note of how a call on the hive ended; true when it succeeded. A failure inside a
// transaction dooms it, so that nothing is written on the strength of a failed read.
bool settle(int rc, Access access)
{
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) {
        cameThrough(access);
        return true;
    }
    if ((rc & 0xff) == SQLITE_BUSY)
        metLock(access);
    else if (rc == SQLITE_READONLY_DBMOVED)
        hive.state = State::Moved;
    else if (HiveFile::damage(rc, hive.file))
        hive.state = State::Damaged;
    else
        metFailure(rc);
    if (running.depth > 0)
        running.doomed = true;
    return false;
}

// Sets a damaged file aside, once for each place the hive is kept: damage that comes
// back at once is not chased through a row of fresh files. False when given up.
bool setAsideOnce()
{
    if (hive.setAside) {
        hive.state = State::Unusable;
        warn(QStringLiteral("damaged again; options and scores are not kept"));
        return false;
    }
    hive.setAside = true;
    const QString blocker = HiveFile::setAside(hive.file, hive.id);
    if (blocker.isEmpty())
        return true;
    hive.state = State::Unusable;
    warn(QStringLiteral("damaged, and cannot be set aside: %1; options and scores are not kept").arg(blocker));
    return false;
}

// Opens the hive file, starting a fresh one beside a file that is not a sound hive.
void openHive()
{
    if (!QDir().mkpath(QFileInfo(hive.path).path())) {
        warn(QStringLiteral("its folder cannot be made; options and scores are not kept"));
        return;
    }
    hive.file = HiveFile::regularFile(hive.path);
    if (hive.file.isEmpty()) {
        warn(QStringLiteral("not a regular file; options and scores are not kept"));
        return;
    }
    HiveFile::Opened opened = HiveFile::open(hive.file, patienceMs(Access::Read));
    hive.id = opened.id;
    if (opened.health == Health::Damaged && setAsideOnce()) {
        opened = HiveFile::open(hive.file, patienceMs(Access::Read));
        hive.id = opened.id;
    }
    switch (opened.health) {
    case Health::Usable:
        hive.db = opened.db;
        hive.wal = opened.wal;
        if (hive.state == State::Closed)
            hive.state = State::Open;
        settle(SQLITE_OK, Access::Read);
        break;
    case Health::Busy:
        // Opened again at the next call, which only looks briefly.
        if (hive.state == State::Closed)
            hive.state = State::Open;
        settle(SQLITE_BUSY, Access::Read);
        break;
    case Health::Damaged:
        if (hive.state != State::Unusable)
            setAsideOnce(); // a fresh hive damaged at once: given up
        break;
    default:
        warn(QStringLiteral("cannot be opened (%1); options and scores are not kept").arg(opened.why));
    }
}

// Lets go of a file found damaged or moved away, setting a damaged one aside. Neither is
// touched again: its log stays with it.
void recover()
{
    const bool damaged = hive.state == State::Damaged;
    hive.shut(false);
    if (damaged)
        setAsideOnce();
}

sqlite3* connection()
{
    if (running.depth > 0)
        return hive.db; // a running transaction keeps its file to the end
    const QString path = Hive::path();
    if (path != hive.path) {
        hive.forget();
        hive.path = path;
    }
    if (hive.state == State::Damaged || hive.state == State::Moved)
        recover();
    if (!hive.db && hive.state != State::Unusable)
        openHive();
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
    SqliteStatement query(db, SelectKey);
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
        SqliteStatement insert(db, InsertKey);
        insert.bind(1, path);
        insert.step();
        if (!settle(insert.error(), Access::Write))
            return false;
    }
    return true;
}

bool upsertValue(sqlite3* db, const QString& keyPath, const QString& name, const QByteArray& data)
{
    SqliteStatement upsert(db, UpsertValue);
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
        hive.wal = HiveFile::useWal(db);
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
        running.doomed = running.doomed || running.depth > 0;
        return false;
    }
    if (running.depth > 0) {
        if (!running.doomed && !body(db))
            running.doomed = true;
        return !running.doomed;
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
    Insisting() : saved_(running.insisting) { running.insisting = true; }
    ~Insisting() { running.insisting = saved_; }
    Insisting(const Insisting&) = delete;
    Insisting& operator=(const Insisting&) = delete;

private:
    bool saved_;
};

} // namespace

namespace Hive {

QString path() { return HiveFile::path(); }

QString unwritable()
{
    const QString file = HiveFile::regularFile(path());
    const QString blocker = file.isEmpty() ? QString() : HiveFile::unwritable(file);
    return blocker.isEmpty() ? path() : blocker;
}

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
        running.doomed = running.doomed || running.depth > 0;
        return {};
    }
    beginCall(db, Access::Read);
    SqliteStatement query(db, SelectValue);
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
        running.sawBusy = false;
        HiveTransaction transaction;
        body();
        landed = transaction.commit();
        if (!running.sawBusy)
            break;
    }
    return landed;
}

void setBusyTimeoutMs(int milliseconds) { busyTimeoutMs = milliseconds; }

void close()
{
    if (running.depth == 0)
        hive.forget();
}

} // namespace Hive

HiveTransaction::HiveTransaction()
{
    sqlite3* db = connection();
    active_ = true;
    if (++running.depth == 1)
        running.doomed = !db || !settle(beginWrite(db), Access::Write);
}

HiveTransaction::~HiveTransaction()
{
    if (!active_)
        return;
    // Left without commit: nothing written inside it lands, the enclosing ones included.
    running.doomed = true;
    commit();
}

bool HiveTransaction::commit()
{
    if (!active_)
        return false;
    active_ = false;
    if (--running.depth > 0)
        return !running.doomed;
    sqlite3* db = hive.db;
    bool landed = false;
    if (db && !sqlite3_get_autocommit(db)) {
        landed = !running.doomed && commitWrite(db);
        if (!landed)
            exec(db, "ROLLBACK");
    }
    running.doomed = false;
    return landed;
}
