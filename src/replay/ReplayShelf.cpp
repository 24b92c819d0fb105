// SPDX-License-Identifier: GPL-3.0-or-later
#include "replay/ReplayShelf.h"

#include "platform/Hive.h"
#include "platform/Windows1252.h"
#include "replay/GameRecording.h"
#include "replay/Replay.h"
#include "shared/Declarations.h"
#include "shared/Numbers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {
const QString Suffix = QStringLiteral(".crawlix-replay");
// A file on its way to another rank, one being written, and one this game cannot read
// (damaged, or from a newer game), which is put aside rather than deleted.
const QString Moving = QStringLiteral(".moving");
const QString Unfinished = QStringLiteral(".tmp");
const QString Unreadable = QStringLiteral(".unreadable");
constexpr int RankDigits = 2;
constexpr int NameCharsInFileName = 40;

void warn(const QString& what)
{
    QTextStream(stderr) << "crawlix: warning: " << what << Qt::endl;
}

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

QString fileOf(int rank, const Replay& replay)
{
    return QDir(ReplayShelf::folder())
        .filePath(QStringLiteral("%1-%2-%3")
                      .arg(rank, RankDigits, 10, QLatin1Char('0'))
                      .arg(fileNameOf(replay.name))
                      .arg(replay.score)
                  + Suffix);
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

// Written beside its place, synced, then renamed into it: the file is there whole or not
// at all.
bool writeAtomically(const QString& path, const QByteArray& bytes, QString* why)
{
    const QByteArray unfinished = QFile::encodeName(path + Unfinished);
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

struct Shelved {
    QString path; // empty for the game that has just entered the list
    Replay replay;
};

// The replays in the folder, by rank. A write that never finished goes.
std::vector<Shelved> shelved(const QDir& folder)
{
    std::vector<std::pair<int, Shelved>> found;
    for (const QFileInfo& info : folder.entryInfoList(QDir::Files, QDir::Name)) {
        const QString name = info.fileName();
        if (name.endsWith(Unfinished)) {
            QFile::remove(info.filePath());
            continue;
        }
        if (!name.endsWith(Suffix) && !name.endsWith(Suffix + Moving))
            continue;
        Shelved file{info.filePath(), {}};
        const int rank = ReplayShelf::rankOfFile(file.path);
        if (rank == 0 || !file.replay.load(file.path, nullptr)) {
            QFile::rename(file.path, file.path + Unreadable);
            continue;
        }
        found.emplace_back(rank, std::move(file));
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Shelved> files;
    for (auto& [rank, file] : found)
        files.push_back(std::move(file));
    return files;
}

// Each rank takes the first file not yet taken that holds its name and score: of equal
// entries the older one stands higher, and the files come in their old order, the new
// game last. The file each rank takes, or -1.
std::array<int, TopRanks> matched(const std::vector<Shelved>& files)
{
    std::array<int, TopRanks> taken;
    taken.fill(-1);
    std::vector<bool> used(files.size(), false);
    for (size_t rank = 0; rank < TopRanks; ++rank) {
        const TopEntry& entry = TopList[rank];
        for (size_t i = 0; i < files.size(); ++i) {
            if (!used[i] && files[i].replay.name == entry.Name
                && double(files[i].replay.score) == Numbers::scoreValue(entry.Score)) {
                taken[rank] = int(i);
                used[i] = true;
                break;
            }
        }
    }
    return taken;
}

// Brings the folder in line with the list: files no entry takes go, the others step aside,
// then into their places, and the new game's is written in its own.
void arrange(const Replay* entered)
{
    const QDir dir(ReplayShelf::folder());
    if (!entered && !dir.exists())
        return;
    if (!dir.mkpath(QStringLiteral("."))) {
        warn(QStringLiteral("%1: the folder cannot be made; the game's replay is not kept")
                 .arg(dir.path()));
        return;
    }
    std::vector<Shelved> files = shelved(dir);
    if (entered)
        files.push_back({QString(), *entered});
    const std::array<int, TopRanks> taken = matched(files);
    for (size_t i = 0; i < files.size(); ++i) {
        const bool kept = std::find(taken.begin(), taken.end(), int(i)) != taken.end();
        if (!kept && !files[i].path.isEmpty())
            QFile::remove(files[i].path);
    }
    for (int rank = 1; rank <= TopRanks; ++rank) {
        const int i = taken[size_t(rank - 1)];
        if (i < 0 || files[size_t(i)].path.isEmpty())
            continue;
        Shelved& file = files[size_t(i)];
        const QString aside = fileOf(rank, file.replay) + Moving;
        if (file.path != fileOf(rank, file.replay) && QFile::rename(file.path, aside))
            file.path = aside;
    }
    for (int rank = 1; rank <= TopRanks; ++rank) {
        const int i = taken[size_t(rank - 1)];
        if (i < 0)
            continue;
        const Shelved& file = files[size_t(i)];
        const QString place = fileOf(rank, file.replay);
        QString why;
        if (file.path.isEmpty() && !writeAtomically(place, file.replay.toText(), &why))
            warn(QStringLiteral("%1: the game's replay could not be written (%2)").arg(place, why));
        else if (!file.path.isEmpty() && file.path != place)
            QFile::rename(file.path, place);
    }
    syncFolder(dir.path());
}
} // namespace

namespace ReplayShelf {

QString folder() { return QFileInfo(Hive::path()).absolutePath() + QStringLiteral("/replays"); }

void keepGame(const QString& name)
{
    const Replay* game = GameRecording::finishedGame();
    if (!game)
        return;
    Replay entered = *game;
    // The name as the list holds it.
    entered.name = Windows1252::toUnicode(Windows1252::fromUnicode(name));
    arrange(&entered);
}

void tidy() { arrange(nullptr); }

QString fileOfRank(int rank)
{
    const QString prefix = QStringLiteral("%1-").arg(rank, RankDigits, 10, QLatin1Char('0'));
    const QStringList names = QDir(folder()).entryList({prefix + QLatin1Char('*') + Suffix},
                                                      QDir::Files, QDir::Name);
    return names.isEmpty() ? QString() : QDir(folder()).filePath(names.first());
}

int rankOfFile(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    bool ok = false;
    const int rank = name.left(RankDigits).toInt(&ok);
    const bool named = ok && name.size() > RankDigits && name[RankDigits] == QLatin1Char('-')
        && name[0].isDigit();
    return named && rank >= 1 && rank <= TopRanks ? rank : 0;
}

} // namespace ReplayShelf
