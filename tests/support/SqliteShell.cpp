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

void SqliteShell::release()
{
    if (shell_.state() == QProcess::NotRunning)
        return;
    shell_.write("COMMIT;\n.quit\n");
    shell_.closeWriteChannel();
    if (!shell_.waitForFinished(WaitMs))
        shell_.kill();
    shell_.waitForFinished(WaitMs);
    holding_ = false;
}
