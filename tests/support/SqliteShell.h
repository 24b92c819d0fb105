// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Another program on the hive: a sqlite3 shell that runs some SQL and then holds on to
// whatever lock that SQL took, until release() or its end.

#include <QProcess>
#include <QString>

class SqliteShell {
public:
    // Starts the shell on the file, runs sql and waits until it has run.
    SqliteShell(const QString& file, const QByteArray& sql);
    ~SqliteShell();
    SqliteShell(const SqliteShell&) = delete;
    SqliteShell& operator=(const SqliteShell&) = delete;

    // True once the SQL has run and the shell holds its lock.
    bool holding() const { return holding_; }
    // Ends the transaction and the shell; releaseAfter lets the shell do so by itself,
    // that many seconds from now, while the caller is busy.
    void release();
    void releaseAfter(int seconds);

private:
    void endInput(const QByteArray& before);

    QProcess shell_;
    bool holding_ = false;
    bool inputEnded_ = false;
};
