// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The registry of a Windows program, kept on Linux as one SQLite file:
// $XDG_DATA_HOME/crawlix/registry.db (by default ~/.local/share/crawlix/registry.db).
//
// The store tells a value that is not there from one that could not be read (the file
// locked by another program past the busy timeout, damaged, or no usable file at all),
// so that nothing is ever written over what could not be read.

#include <QByteArray>
#include <QString>
#include <functional>

namespace Hive {

// Where the hive file lies, worked out afresh from the environment at every call.
QString path();

// What keeps writes out, for telling the player: the first of the folder, the hive file and
// its journal or log that cannot be written, or else the hive file itself.
QString unwritable();

// What a read found.
struct Value {
    enum class State { Present, Absent, Unreadable };
    State state = State::Unreadable;
    QByteArray data; // the stored bytes when present
};

// Opens (creating when needed) the key below HKEY_LOCAL_MACHINE and every missing key
// above it. keyPath is the caller's path with its leading backslash. False when the hive
// cannot be opened or written.
bool createKey(const QString& keyPath);

// The stored bytes of a value, or whether it is absent or could not be read. Like
// opening a key, a read creates the key and every missing key above it (when it can).
Value queryValue(const QString& keyPath, const QString& name);

// Stores bytes as a REG_SZ value (type 1), creating the key path. False on failure.
bool setValue(const QString& keyPath, const QString& name, const QByteArray& data);

// Runs body inside a HiveTransaction and commits it. While another program keeps the
// hive locked past the busy timeout it runs body again, up to attempts times in all,
// each time waiting the whole busy timeout. True when the writes landed.
bool transact(const std::function<void()>& body, int attempts);

// How long a call waits for another program's lock (10 seconds; tests make it short).
void setBusyTimeoutMs(int milliseconds);

// Lets go of the open hive file, folding its write-ahead log back into it; the next call
// opens it afresh. A running transaction keeps it open until it ends.
void close();

} // namespace Hive

// Makes every hive write made while it lives all-or-nothing: they land together at
// commit(), or none of them does (destroyed without commit, a read or write inside it
// failed, or the process dies). It takes the write lock at once, so what is read inside
// it cannot change under it.
class HiveTransaction {
public:
    HiveTransaction();
    ~HiveTransaction();
    HiveTransaction(const HiveTransaction&) = delete;
    HiveTransaction& operator=(const HiveTransaction&) = delete;
    // True when the writes landed (for an inner transaction: nothing has failed so far).
    bool commit();

private:
    bool active_ = false;
};
