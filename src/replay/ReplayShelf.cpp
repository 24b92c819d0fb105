// SPDX-License-Identifier: GPL-3.0-or-later
#include "replay/ReplayShelf.h"

#include "platform/Hive.h"
#include "replay/Replay.h"
#include "shared/Declarations.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
const QString Suffix = QStringLiteral(".crawlix-replay");
// A replay being written: the file's own name, the writing process's id, then this. Only
// the shelf of that process removes it, unless it is plainly left from a copy that died.
const QString Writing = QStringLiteral(".writing");
constexpr qint64 StaleWritingSeconds = 60 * 60;
constexpr int RankDigits = 2;
constexpr int NameCharsInFileName = 40;

void warn(const QString& what)
{
    QTextStream(stderr) << "crawlix: warning: " << what << Qt::endl;
}

QString rankPrefix(int rank) { return QStringLiteral("%1-").arg(rank, RankDigits, 10, QLatin1Char('0')); }

// The name as a file name may hold it: ASCII letters and digits, "_" for anything else.
QString fileNameOf(const QString& name)
{
    QString kept;
    for (const QChar c : name.left(NameCharsInFileName)) {
        const bool plain = c.unicode() < 128 && c.isLetterOrNumber();
        kept += plain ? c : QLatin1Char('_');
    }
    return kept.isEmpty() ? QStringLiteral("_") : kept;
}

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

void syncFolder(const QString& path)
{
    const int folder = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return;
    ::fsync(folder);
    ::close(folder);
}

// Written beside its place under a name of this process's own, synced, then renamed into
// it: the file is there whole or not at all, and no other copy ever takes it for its own.
bool writeAtomically(const QString& path, const QByteArray& bytes, QString* why)
{
    const QByteArray unfinished = QFile::encodeName(
        QStringLiteral("%1.%2%3").arg(path).arg(QCoreApplication::applicationPid()).arg(Writing));
    const int file = ::open(unfinished.constData(),
                            O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (file < 0) {
        *why = systemError();
        return false;
    }
    qsizetype written = 0;
    bool ok = true;
    while (ok && written < bytes.size()) {
        const ssize_t n = ::write(file, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno != EINTR)
            ok = false;
        written += std::max<ssize_t>(n, 0);
    }
    ok = ok && ::fsync(file) == 0;
    ok = ::close(file) == 0 && ok;
    ok = ok && ::rename(unfinished.constData(), QFile::encodeName(path).constData()) == 0;
    if (!ok) {
        *why = systemError();
        ::unlink(unfinished.constData());
    }
    return ok;
}

// What a copy of the game that died while writing left behind, once it is an hour old.
void removeStaleWrites(const QDir& folder)
{
    const QRegularExpression ours(QStringLiteral("^\\d\\d-.*\\.crawlix-replay\\.\\d+\\.writing$"));
    const QDateTime stale = QDateTime::currentDateTimeUtc().addSecs(-StaleWritingSeconds);
    for (const QFileInfo& info : folder.entryInfoList({QStringLiteral("*") + Writing}, QDir::Files)) {
        if (ours.match(info.fileName()).hasMatch() && info.lastModified().toUTC() < stale)
            QFile::remove(info.filePath());
    }
}

// The file for rank whose name and score part is taken from a file of another rank.
QString movedTo(const QString& path, int rank)
{
    const QFileInfo info(path);
    return info.dir().filePath(rankPrefix(rank) + info.fileName().mid(RankDigits + 1));
}
} // namespace

namespace ReplayShelf {

QString folder() { return QFileInfo(Hive::path()).absolutePath() + QStringLiteral("/replays"); }

void enter(int rank, const Replay* game, const QString& listedName)
{
    if (rank < 1 || rank > TopRanks)
        return;
    const QDir dir(folder());
    if (!game && !dir.exists())
        return;
    if (!dir.mkpath(QStringLiteral("."))) {
        warn(QStringLiteral("%1: the folder cannot be made; the game's replay is not kept").arg(dir.path()));
        return;
    }
    removeStaleWrites(dir);
    // The tenth entry has left the list; every other one from the rank down moved one lower.
    for (const QString& path : filesOfRank(TopRanks))
        QFile::remove(path);
    for (int from = TopRanks - 1; from >= rank; --from) {
        for (const QString& path : filesOfRank(from))
            QFile::rename(path, movedTo(path, from + 1));
    }
    if (game) {
        Replay entered = *game;
        entered.name = listedName;
        const QString place = dir.filePath(
            rankPrefix(rank) + QStringLiteral("%1-%2").arg(fileNameOf(listedName)).arg(entered.score) + Suffix);
        QString why;
        if (!writeAtomically(place, entered.toText(), &why))
            warn(QStringLiteral("%1: the game's replay could not be written (%2)").arg(place, why));
    }
    syncFolder(dir.path());
}

void clear()
{
    for (int rank = 1; rank <= TopRanks; ++rank) {
        for (const QString& path : filesOfRank(rank))
            QFile::remove(path);
    }
}

QStringList filesOfRank(int rank)
{
    const QDir dir(folder());
    QStringList files;
    const QStringList pattern{rankPrefix(rank) + QLatin1Char('*') + Suffix};
    for (const QString& name : dir.entryList(pattern, QDir::Files, QDir::Name))
        files << dir.filePath(name);
    return files;
}

int rankOfFile(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    bool ok = false;
    const int rank = name.left(RankDigits).toInt(&ok);
    const bool named = ok && name.size() > RankDigits && name[RankDigits] == QLatin1Char('-')
        && name[0].isDigit() && name.endsWith(Suffix);
    return named && rank >= 1 && rank <= TopRanks ? rank : 0;
}

} // namespace ReplayShelf
