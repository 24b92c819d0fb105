// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SqliteStatement.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql)
    : rc_(sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr))
{
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(stmt_); }

void SqliteStatement::bind(int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(stmt_, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::bind(int index, int number) { sqlite3_bind_int(stmt_, index, number); }

void SqliteStatement::bind(int index, const QByteArray& bytes)
{
    // A null pointer would bind NULL, not an empty value.
    if (bytes.isEmpty())
        sqlite3_bind_zeroblob(stmt_, index, 0);
    else
        sqlite3_bind_blob(stmt_, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
}

bool SqliteStatement::step()
{
    if (rc_ != SQLITE_OK && rc_ != SQLITE_ROW)
        return false;
    rc_ = sqlite3_step(stmt_);
    return rc_ == SQLITE_ROW;
}

QString SqliteStatement::text(int column) const
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column)),
                             sqlite3_column_bytes(stmt_, column));
}

QByteArray SqliteStatement::bytes(int column) const
{
    const void* data = sqlite3_column_blob(stmt_, column);
    return QByteArray(static_cast<const char*>(data), sqlite3_column_bytes(stmt_, column));
}

namespace Sqlite {

int exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

Answer ask(sqlite3* db, const char* sql)
{
    SqliteStatement query(db, sql);
    if (!query.step())
        return {query.error() == SQLITE_DONE ? SQLITE_OK : query.error(), {}};
    return {SQLITE_OK, query.text(0)};
}

} // namespace Sqlite
