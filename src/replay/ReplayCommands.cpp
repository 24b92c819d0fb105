// SPDX-License-Identifier: GPL-3.0-or-later
#include "replay/ReplayCommands.h"

#include "game/GameForm.h"
#include "platform/Hive.h"
#include "platform/QtRuntime.h"
#include "replay/Playback.h"
#include "replay/PlaybackRuntime.h"
#include "replay/ReplayShelf.h"
#include "scores/TopTenTable.h"
#include "shared/Declarations.h"
#include "shared/Numbers.h"

#include <QApplication>
#include <QFileInfo>
#include <QTextStream>

namespace {

// Text from a file or the list as one line that cannot steer a terminal.
QString printable(const QString& text)
{
    QString shown = text;
    for (QChar& c : shown) {
        if (!c.isPrint())
            c = QLatin1Char('?');
    }
    return shown;
}

void say(const QString& line)
{
    QTextStream(stderr) << "crawlix: " << printable(line) << Qt::endl;
}

struct Verdict {
    QString text;
    bool differs = false;
};

const Verdict NoReplay{QStringLiteral("no replay"), false};

// Plays the replay in a game window of its own, never shown, as fast as it goes. A replay
// that ends with another score, or that the game stops following, differs.
Verdict replayed(const Replay& replay, PlaybackRuntime& services, double storedScore)
{
    GameForm form;
    form.setSoundPlayer([](const QString&) {});
    form.Form_Load();
    Playback playback(form, replay, false);
    services.setPlayback(&playback);
    try {
        playback.start();
        playback.runToEnd();
    } catch (const PlaybackError& error) {
        say(QStringLiteral("the replay of %1 ends in a run-time error: %2")
                .arg(replay.name, QString::fromStdString(error.what())));
    }
    services.setPlayback(nullptr);
    if (playback.outcome() == Playback::Outcome::Ended && double(playback.points()) == storedScore)
        return {QStringLiteral("verified"), false};
    if (playback.outcome() == Playback::Outcome::Diverged)
        say(QStringLiteral("the replay of %1 stops: %2").arg(replay.name, playback.divergence()));
    return {QStringLiteral("differs (replay: %1)").arg(playback.points()), true};
}

// A file that cannot be read proves nothing: one line says why.
std::optional<Replay> readable(const QString& path)
{
    Replay replay;
    QString why;
    if (replay.load(path, &why))
        return replay;
    say(QStringLiteral("%1: refused: %2").arg(path, why));
    return std::nullopt;
}

void printLine(const QString& rank, const QString& name, const QString& score, const QString& verdict)
{
    QTextStream(stdout) << rank << ' ' << printable(name) << ' ' << printable(score) << ' '
                        << printable(verdict) << Qt::endl;
}

bool holds(const TopEntry& entry, const Replay& replay)
{
    return replay.name == entry.Name && double(replay.score) == Numbers::scoreValue(entry.Score);
}

// A file with the name and score of a listed entry is that entry's replay, wherever it lies.
bool ofAListedEntry(const Replay& replay)
{
    return std::any_of(TopList.begin(), TopList.end(),
                       [&](const TopEntry& entry) { return holds(entry, replay); });
}

// What the files kept for a rank tell of its entry. A file that is another listed entry's
// (left behind by a kill, or a rename that failed) is no evidence either way; a file with
// the entry's name and a score no entry of that name has shows the stored score changed.
Verdict verdictOf(int rank, PlaybackRuntime& services)
{
    const TopEntry& entry = TopList[size_t(rank - 1)];
    const double stored = Numbers::scoreValue(entry.Score);
    Verdict verdict = NoReplay;
    for (const QString& path : ReplayShelf::filesOfRank(rank)) {
        const std::optional<Replay> replay = readable(path);
        if (!replay)
            continue;
        if (holds(entry, *replay))
            return replayed(*replay, services, stored);
        if (ofAListedEntry(*replay))
            continue;
        if (replay->name == entry.Name)
            return replayed(*replay, services, stored);
        verdict.text = QStringLiteral("no replay (%1 belongs to no entry)").arg(QFileInfo(path).fileName());
    }
    return verdict;
}

int verifyList(PlaybackRuntime& services)
{
    bool differs = false;
    for (int rank = 1; rank <= TopRanks; ++rank) {
        const TopEntry& entry = TopList[size_t(rank - 1)];
        const Verdict verdict = verdictOf(rank, services);
        printLine(QString::number(rank), entry.Name, entry.Score, verdict.text);
        differs = differs || verdict.differs;
    }
    return differs ? ReplayCommands::NotProven : ReplayCommands::Proven;
}

// A file proves the score of the entry whose rank its name gives, when it is that entry's;
// any other file proves the score it holds itself.
int verifyOne(const QString& path, PlaybackRuntime& services)
{
    const std::optional<Replay> replay = readable(path);
    if (!replay)
        return ReplayCommands::NotProven;
    const int rank = ReplayShelf::rankOfFile(path);
    const bool listed = rank > 0 && TopList[size_t(rank - 1)].Name == replay->name;
    const QString score = listed ? TopList[size_t(rank - 1)].Score : QString::number(replay->score);
    const Verdict verdict = replayed(*replay, services, Numbers::scoreValue(score));
    printLine(listed ? QString::number(rank) : QStringLiteral("-"), replay->name, score, verdict.text);
    return verdict.differs ? ReplayCommands::NotProven : ReplayCommands::Proven;
}
} // namespace

namespace ReplayCommands {

int verify(int argc, char* argv[], const QString& file)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("crawlix"));
    QtRuntime real;
    PlaybackRuntime services(real, PlaybackRuntime::Pace::Instant);
    setRuntime(&services);
    int status = CannotTell;
    if (!LoadTopTen())
        say(QStringLiteral("the top ten in %1 cannot be read; nothing is verified").arg(Hive::path()));
    else
        status = file.isEmpty() ? verifyList(services) : verifyOne(file, services);
    setRuntime(nullptr);
    return status;
}

std::optional<Replay> replayToWatch(const QString& rankOrFile)
{
    bool isRank = false;
    const int rank = rankOrFile.toInt(&isRank);
    if (!isRank || QFileInfo::exists(rankOrFile))
        return readable(rankOrFile);
    if (rank < 1 || rank > TopRanks) {
        say(QStringLiteral("there is no rank %1: the ranks are 1 to %2").arg(rankOrFile).arg(TopRanks));
        return std::nullopt;
    }
    const QStringList files = ReplayShelf::filesOfRank(rank);
    if (files.isEmpty()) {
        say(QStringLiteral("no replay is kept for rank %1 (in %2)").arg(rankOrFile, ReplayShelf::folder()));
        return std::nullopt;
    }
    return readable(files.first());
}

} // namespace ReplayCommands
