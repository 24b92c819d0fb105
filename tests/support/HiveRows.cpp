// SPDX-License-Identifier: GPL-3.0-or-later
#include "HiveRows.h"

#include <QFile>
#include <sqlite3.h>

namespace HiveRows {

namespace {

constexpr auto Root = "HKEY_LOCAL_MACHINE";
constexpr int BusyTimeoutMs = 10000;

// One connection to the file for the life of the object.
class Connection {
public:
    Connection(const QString& file, bool writable)
    {
        const int flags = writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
        if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db_, flags, nullptr) != SQLITE_OK) {
            sqlite3_close_v2(db_);
            db_ = nullptr;
        }
        sqlite3_busy_timeout(db_, BusyTimeoutMs);
    }
    ~Connection() { sqlite3_close_v2(db_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Runs sql with the texts bound in order; calls row for every row it gives.
    template <typename RowFn>
    bool run(const char* sql, const QStringList& texts, RowFn row)
    {
        sqlite3_stmt* stmt = nullptr;
        if (!db_ || sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK)
            return false;
        for (int i = 0; i < texts.size(); ++i)
            sqlite3_bind_text(stmt, i + 1, texts[i].toUtf8().constData(), -1, SQLITE_TRANSIENT);
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            row(stmt);
        sqlite3_finalize(stmt);
        return rc == SQLITE_DONE;
    }
    sqlite3* db() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

QString columnText(sqlite3_stmt* stmt, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                             sqlite3_column_bytes(stmt, column));
}

Row columnsRow(sqlite3_stmt* stmt)
{
    return {columnText(stmt, 0), columnText(stmt, 1), sqlite3_column_int(stmt, 2),
            QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, 3)),
                       sqlite3_column_bytes(stmt, 3))};
}

constexpr auto SelectValues = "SELECT key_path, name, type, data FROM registry_values";

} // namespace

QString storedKeyPath(const QString& keyPath)
{
    if (keyPath.startsWith(QLatin1String(Root), Qt::CaseInsensitive))
        return keyPath;
    return QLatin1String(Root) + (keyPath.startsWith(QLatin1Char('\\')) ? QString() : QStringLiteral("\\"))
        + keyPath;
}

QStringList keys(const QString& file)
{
    QStringList result;
    Connection(file, false).run("SELECT path FROM registry_keys ORDER BY path", {},
                                [&](sqlite3_stmt* s) { result.append(columnText(s, 0)); });
    return result;
}

QList<Row> values(const QString& file)
{
    QList<Row> result;
    Connection(file, false).run(
        (QByteArray(SelectValues) + " ORDER BY key_path, name").constData(), {},
        [&](sqlite3_stmt* s) { result.append(columnsRow(s)); });
    return result;
}

std::optional<Row> value(const QString& file, const QString& keyPath, const QString& name)
{
    std::optional<Row> result;
    Connection(file, false).run(
        (QByteArray(SelectValues) + " WHERE key_path = ?1 AND name = ?2").constData(),
        {storedKeyPath(keyPath), name}, [&](sqlite3_stmt* s) { result = columnsRow(s); });
    return result;
}

bool insertRaw(const QString& file, const QString& keyPath, const QString& name, int type,
               const QByteArray& data)
{
    Connection connection(file, true);
    const QString stored = storedKeyPath(keyPath);
    auto noRows = [](sqlite3_stmt*) {};
    for (qsizetype i = stored.indexOf(QLatin1Char('\\')); i >= 0;) {
        i = stored.indexOf(QLatin1Char('\\'), i + 1);
        if (!connection.run("INSERT OR IGNORE INTO registry_keys (path) VALUES (?1)",
                            {i < 0 ? stored : stored.left(i)}, noRows))
            return false;
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(connection.db(),
                           "INSERT OR REPLACE INTO registry_values VALUES (?1, ?2, ?3, ?4)", -1,
                           &stmt, nullptr) != SQLITE_OK)
        return false;
    sqlite3_bind_text(stmt, 1, stored.toUtf8().constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 2, name.toUtf8().constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(stmt, 3, type);
    sqlite3_bind_zeroblob(stmt, 4, int(data.size()));
    if (!data.isEmpty())
        sqlite3_bind_blob(stmt, 4, data.constData(), int(data.size()), SQLITE_TRANSIENT);
    const bool done = sqlite3_step(stmt) == SQLITE_DONE;
    sqlite3_finalize(stmt);
    return done;
}

QString scalar(const QString& file, const QString& sql)
{
    QString result;
    bool first = true;
    Connection(file, false).run(sql.toUtf8().constData(), {}, [&](sqlite3_stmt* s) {
        if (first)
            result = columnText(s, 0);
        first = false;
    });
    return result;
}

} // namespace HiveRows
