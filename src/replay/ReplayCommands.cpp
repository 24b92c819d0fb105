// SPDX-License-Identifier: GPL-3.0-or-later
#include "replay/ReplayCommands.h"

#include "game/GameForm.h"
#include "game/GameTimer.h"
#include "options/Options.h"
#include "platform/PlayASound.h"
#include "platform/QtRuntime.h"
#include "replay/Playback.h"
#include "replay/PlaybackRuntime.h"
#include "replay/Replay.h"
#include "replay/ReplayShelf.h"
#include "scores/TopTenTable.h"
#include "shared/Declarations.h"
#include "shared/Numbers.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {
constexpr int Proven = 0;
constexpr int NotProven = 1;
// The window is on the screen a moment before the game starts in it.
constexpr int WatchStartDelayMs = 500;

void say(const QString& line)
{
    QTextStream(stderr) << "crawlix: " << line << Qt::endl;
}

// A stored name as one line of plain text.
QString printable(const QString& text)
{
    QString shown = text;
    for (QChar& c : shown) {
        if (!c.isPrint())
            c = QLatin1Char('?');
    }
    return shown;
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
                .arg(printable(replay.name), QString::fromStdString(error.what())));
    }
    services.setPlayback(nullptr);
    if (playback.outcome() == Playback::Outcome::Ended && double(playback.points()) == storedScore)
        return {QStringLiteral("verified"), false};
    if (playback.outcome() == Playback::Outcome::Diverged)
        say(QStringLiteral("the replay of %1 stops: %2").arg(printable(replay.name), playback.divergence()));
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
                        << verdict << Qt::endl;
}

int verifyList(PlaybackRuntime& services)
{
    bool differs = false;
    for (int rank = 1; rank <= TopRanks; ++rank) {
        const TopEntry& entry = TopList[size_t(rank - 1)];
        const QString path = ReplayShelf::fileOfRank(rank);
        const std::optional<Replay> replay = path.isEmpty() ? std::nullopt : readable(path);
        // A file left from an entry that has gone is no replay of this one.
        const Verdict verdict = replay && replay->name == entry.Name
            ? replayed(*replay, services, Numbers::scoreValue(entry.Score))
            : NoReplay;
        printLine(QString::number(rank), entry.Name, entry.Score, verdict.text);
        differs = differs || verdict.differs;
    }
    return differs ? NotProven : Proven;
}

// A file proves the score of the entry whose rank its name gives, when it is that entry's;
// any other file proves the score it holds itself.
int verifyOne(const QString& path, PlaybackRuntime& services)
{
    const std::optional<Replay> replay = readable(path);
    if (!replay)
        return NotProven;
    const int rank = ReplayShelf::rankOfFile(path);
    const bool listed = rank > 0 && TopList[size_t(rank - 1)].Name == replay->name;
    const QString score = listed ? TopList[size_t(rank - 1)].Score : QString::number(replay->score);
    const Verdict verdict = replayed(*replay, services, Numbers::scoreValue(score));
    printLine(listed ? QString::number(rank) : QStringLiteral("-"), replay->name, score, verdict.text);
    return verdict.differs ? NotProven : Proven;
}

// --- Watching ---

std::optional<Replay> chosen;
std::unique_ptr<PlaybackRuntime> watchServices;
std::unique_ptr<Playback> watched;

// Escape stops the replay and the program; no other key or click reaches the game.
class EscapeEnds : public QObject {
public:
    explicit EscapeEnds(GameForm& form) : form_(form) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress
            && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            emit form_.handOver().endWanted();
            return true;
        }
        return false;
    }

private:
    GameForm& form_;
};
std::unique_ptr<EscapeEnds> escapeEnds;

// The song the game had, from its beginning, in place of the one the options chose. The
// window loaded before the audio was open, so its own song never started.
void playRecordedSong(GameForm& form, int song)
{
    Audio::open();
    form.MMControl1().setCommand(QStringLiteral("Close"));
    SongNumber = song;
    StartMusic(form.MMControl1());
}

// Once the game is over the window stays with its last picture; it starts no game of its
// own and opens no options. A replay that stops following its recording says so and stops.
void ended(GameForm& form)
{
    if (watched->outcome() == Playback::Outcome::Diverged) {
        say(QStringLiteral("the replay stops: %1").arg(watched->divergence()));
        form.Timer1()->setEnabled(false);
    }
    QTimer::singleShot(0, &form, [&form] { form.OptionMenu()->setEnabled(false); });
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
    LoadTopTen();
    const int status = file.isEmpty() ? verifyList(services) : verifyOne(file, services);
    setRuntime(nullptr);
    return status;
}

std::optional<int> chooseReplay(const QString& rankOrFile)
{
    bool isRank = false;
    const int rank = rankOrFile.toInt(&isRank);
    QString path = rankOrFile;
    if (isRank && !QFileInfo::exists(rankOrFile)) {
        path = rank >= 1 && rank <= TopRanks ? ReplayShelf::fileOfRank(rank) : QString();
        if (path.isEmpty()) {
            say(QStringLiteral("no replay is kept for rank %1 (in %2)").arg(rankOrFile, ReplayShelf::folder()));
            return NotProven;
        }
    }
    chosen = readable(path);
    return chosen ? std::nullopt : std::optional<int>(NotProven);
}

bool replayChosen() { return chosen.has_value(); }

void watch(GameForm& form)
{
    watchServices = std::make_unique<PlaybackRuntime>(runtime(), PlaybackRuntime::Pace::RealTime);
    setRuntime(watchServices.get());
    watched = std::make_unique<Playback>(form, *chosen, true);
    watchServices->setPlayback(watched.get());
    watched->onEnd = [&form] { ended(form); };
    QObject::connect(&form, &QObject::destroyed, [] {
        watchServices->setPlayback(nullptr);
        watched.reset();
    });
    escapeEnds = std::make_unique<EscapeEnds>(form);
    qApp->installEventFilter(escapeEnds.get());
    QTimer::singleShot(WatchStartDelayMs, &form, [&form] {
        playRecordedSong(form, chosen->song);
        watched->start();
    });
}

} // namespace ReplayCommands
