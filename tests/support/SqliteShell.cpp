// SPDX-License-Identifier: GPL-3.0-or-later
#include "SqliteShell.h"

namespace {
constexpr int WaitMs = 30000;
const QByteArray HeldMark("held-by-the-shell");
} // namespace

SqliteShell::SqliteShell(const QString& file, const QByteArray& sql)
{
    shell_.start(QStringLiteral("sqlite3"), {file});
    if (!shell_.waitForStarted(WaitMs))
        return;
    shell_.write(sql + "\nSELECT '" + HeldMark + "';\n");
    QByteArray seen;
    while (!seen.contains(HeldMark) && shell_.waitForReadyRead(WaitMs))
        seen += shell_.readAllStandardOutput();
    holding_ = seen.contains(HeldMark);
}

SqliteShell::~SqliteShell() { release(); }

void SqliteShell::releaseAfter(int seconds)
{
    endInput(".shell sleep " + QByteArray::number(seconds) + "\n");
}

void SqliteShell::release()
{
    endInput(QByteArray());
    if (shell_.state() != QProcess::NotRunning && !shell_.waitForFinished(WaitMs))
        shell_.kill();
    shell_.waitForFinished(WaitMs);
    holding_ = false;
}

void SqliteShell::endInput(const QByteArray& before)
{
    if (inputEnded_ || shell_.state() == QProcess::NotRunning)
        return;
    inputEnded_ = true;
    // Written at once: the caller may not run an event loop until the shell is done.
    shell_.write(before + "COMMIT;\n.quit\n");
    shell_.waitForBytesWritten(WaitMs);
    shell_.closeWriteChannel();
}
