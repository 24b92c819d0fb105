// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A thin hold on SQLite for the hive: one prepared statement, finalized when it goes out of
// scope, and the two ways the hive runs plain SQL.

#include <QByteArray>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // The result code that ended the last step (or the preparation).
    int error() const { return rc_; }
    void bind(int index, const QString& text);
    void bind(int index, int number);
    void bind(int index, const QByteArray& bytes);
    // True while a row is there; error() tells a failure from the end of the rows.
    bool step();
    QString text(int column) const;
    QByteArray bytes(int column) const;

private:
    sqlite3_stmt* stmt_ = nullptr;
    int rc_;
};

namespace Sqlite {

// Runs SQL without rows; the result code.
int exec(sqlite3* db, const char* sql);

// The first column of a one-row query, or the result code that stopped it.
struct Answer {
    int rc;
    QString value;
};
Answer ask(sqlite3* db, const char* sql);

} // namespace Sqlite
