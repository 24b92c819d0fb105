#pragma once
// The registry of a Windows program, kept on Linux as one SQLite file:
// $XDG_DATA_HOME/crawlix/registry.db (by default ~/.local/share/crawlix/registry.db).

#include <QByteArray>
#include <QString>
#include <optional>

namespace Hive {

// Where the hive file lies, worked out afresh from the environment at every call.
QString path();

// Opens (creating when needed) the key below HKEY_LOCAL_MACHINE and every missing key
// above it. keyPath is the caller's path with its leading backslash. False when the hive
// cannot be opened or written.
bool createKey(const QString& keyPath);

// The stored bytes of a value, or nothing when the value (or the hive) is missing.
std::optional<QByteArray> queryValue(const QString& keyPath, const QString& name);

// Stores bytes as a REG_SZ value (type 1), creating the key path. False on failure.
bool setValue(const QString& keyPath, const QString& name, const QByteArray& data);

// Lets go of the open hive file; the next call opens it afresh. A running transaction
// keeps it open until it ends.
void close();

} // namespace Hive

// Makes every hive write made while it lives all-or-nothing: they land together at
// commit(), or none of them does (destroyed without commit, or the process dies). It
// takes the write lock at once, so what is read inside it cannot change under it.
class HiveTransaction {
public:
    HiveTransaction();
    ~HiveTransaction();
    HiveTransaction(const HiveTransaction&) = delete;
    HiveTransaction& operator=(const HiveTransaction&) = delete;
    void commit();

private:
    bool active_ = false;
};
