// SPDX-License-Identifier: GPL-3.0-or-later
#include "replay/Replay.h"

#include <QFile>
#include <QList>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <limits>
#include <optional>

namespace {
const QByteArray Magic = QByteArrayLiteral("crawlix-replay");
const QString CutShort = QStringLiteral("the file ends before its last event (cut short?)");
// Everything printable but "%" stays as typed in a name.
const QByteArray NameKeeps = QByteArrayLiteral(" !\"#$&'()*+,/:;<=>?@[\\]^`{|}~");

constexpr std::array<const char*, 6> KindWords = {"key", "pause", "focus-pause", "kill", "box",
                                                  "end"};
constexpr int FirstKeyCode = 1;
constexpr int LastKeyCode = 254;
// What the options window lets a game start with.
constexpr int FirstStartLevel = 1;
constexpr int LastStartLevel = 500;
constexpr int FewestStillBombs = 3;
constexpr int MostStillBombs = 6;
constexpr int LastSong = 5;

bool carriesValue(ReplayEvent::Kind kind)
{
    return kind == ReplayEvent::Kind::Key || kind == ReplayEvent::Kind::Box;
}

// Reads the lines one after another, passing over comments. Each line is copied out only
// as it is read, so a file of many short lines costs no more than the file itself.
class Lines {
public:
    explicit Lines(const QByteArray& text) : text_(text) {}
    std::optional<QByteArray> next()
    {
        while (at_ < text_.size()) {
            const QByteArray line = take();
            if (!line.startsWith('#'))
                return line;
        }
        return std::nullopt;
    }
    qsizetype lineNumber() const { return number_; }
    // The lines not read yet, comments included.
    qsizetype left() const
    {
        if (at_ >= text_.size())
            return 0;
        const qsizetype ends = QByteArrayView(text_).sliced(at_).count('\n');
        return text_.endsWith('\n') ? ends : ends + 1;
    }

private:
    QByteArray take()
    {
        qsizetype end = text_.indexOf('\n', at_);
        if (end < 0)
            end = text_.size();
        const QByteArray line = text_.mid(at_, end - at_);
        at_ = end + 1;
        ++number_;
        return line;
    }

    const QByteArray& text_;
    qsizetype at_ = 0;
    qsizetype number_ = 0;
};

// A whole number written as plain digits (with "-" where allowed), within [low, high].
template <typename Number>
std::optional<Number> number(const QByteArray& text, Number low, Number high)
{
    if (text.isEmpty() || text.size() > 20)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!(c >= '0' && c <= '9') && !(i == 0 && c == '-' && text.size() > 1))
            return std::nullopt;
    }
    bool ok = false;
    if constexpr (std::numeric_limits<Number>::is_signed) {
        const qlonglong value = text.toLongLong(&ok);
        if (!ok || value < qlonglong(low) || value > qlonglong(high))
            return std::nullopt;
        return Number(value);
    } else {
        const qulonglong value = text.toULongLong(&ok);
        if (!ok || text.startsWith('-') || value < qulonglong(low) || value > qulonglong(high))
            return std::nullopt;
        return Number(value);
    }
}

class Parser {
public:
    explicit Parser(const QByteArray& text) : lines_(text) {}

    bool parse(Replay& out)
    {
        if (!version())
            return false;
        const std::optional<QByteArray> name = field("name");
        if (!name || name->size() > Replay::MaxNameBytes)
            return fail("the name is missing or too long");
        out.name = QString::fromUtf8(QByteArray::fromPercentEncoding(*name));
        using Int32 = std::numeric_limits<int32_t>;
        return whole("score", out.score, 0, Int32::max())
            && whole("level", out.level, FirstStartLevel, LastStartLevel)
            && whole("still-bombs", out.stillBombs, FewestStillBombs, MostStillBombs)
            && whole("song", out.song, 0, LastSong)
            && whole("seed", out.seed, 0u, std::numeric_limits<uint32_t>::max())
            && whole("draws", out.draws, uint64_t(0), Replay::MaxDraws) && events(out);
    }

    QString refusal;

private:
    bool fail(const QString& why)
    {
        refusal = why;
        return false;
    }

    bool version()
    {
        const std::optional<QByteArray> first = lines_.next();
        const QList<QByteArray> words = first ? first->split(' ') : QList<QByteArray>();
        if (words.size() != 2 || words[0] != Magic)
            return fail(QStringLiteral("not a Crawlix replay"));
        const std::optional<int> format = number(words[1], 0, std::numeric_limits<int>::max());
        if (format != Replay::FormatVersion) {
            return fail(QStringLiteral("replay format %1 is not read by this version of the game, "
                                       "which reads format %2 only")
                            .arg(QString::fromLatin1(words[1].left(20)))
                            .arg(Replay::FormatVersion));
        }
        return true;
    }

    // The rest of the line that starts with the field's word and a blank.
    std::optional<QByteArray> field(const char* word)
    {
        const QByteArray prefix = QByteArray(word) + ' ';
        const std::optional<QByteArray> line = lines_.next();
        if (!line || !line->startsWith(prefix))
            return std::nullopt;
        return line->mid(prefix.size());
    }

    template <typename Number>
    bool whole(const char* word, Number& out, Number low, Number high)
    {
        const std::optional<QByteArray> text = field(word);
        const std::optional<Number> value = text ? number(*text, low, high) : std::nullopt;
        if (!value)
            return fail(QStringLiteral("line %1: a \"%2\" line with a number from %3 to %4 is expected")
                            .arg(lines_.lineNumber())
                            .arg(QLatin1String(word))
                            .arg(low)
                            .arg(high));
        out = *value;
        return true;
    }

    bool events(Replay& out)
    {
        uint32_t count = 0;
        if (!whole("events", count, 1u, Replay::MaxEvents))
            return false;
        out.events.clear();
        if (qsizetype(count) > lines_.left())
            return fail(CutShort);
        out.events.reserve(count);
        uint64_t ticks = 0;
        for (uint32_t i = 0; i < count; ++i) {
            const std::optional<ReplayEvent> event = eventLine();
            if (!event)
                return false;
            ticks += event->ticks;
            if (ticks > Replay::MaxTicks)
                return fail(QStringLiteral("line %1: more than a day of play").arg(lines_.lineNumber()));
            const bool last = i + 1 == count;
            if ((event->kind == ReplayEvent::Kind::End) != last)
                return fail(QStringLiteral("line %1: the game must end with its last event, and only there")
                                .arg(lines_.lineNumber()));
            out.events.push_back(*event);
        }
        if (lines_.next())
            return fail(QStringLiteral("line %1: more lines than events").arg(lines_.lineNumber()));
        return true;
    }

    std::optional<ReplayEvent> eventLine()
    {
        const std::optional<QByteArray> line = lines_.next();
        if (!line) {
            fail(CutShort);
            return std::nullopt;
        }
        const QList<QByteArray> words = line->split(' ');
        ReplayEvent event;
        const std::optional<uint32_t> ticks =
            words.size() >= 2 ? number(words[0], 0u, uint32_t(Replay::MaxTicks)) : std::nullopt;
        size_t kind = 0;
        while (kind < KindWords.size() && (words.size() < 2 || words[1] != KindWords[kind]))
            ++kind;
        if (!ticks || kind == KindWords.size()) {
            fail(QStringLiteral("line %1: not an event").arg(lines_.lineNumber()));
            return std::nullopt;
        }
        event.ticks = *ticks;
        event.kind = ReplayEvent::Kind(kind);
        const bool valued = carriesValue(event.kind);
        if (words.size() != (valued ? 3 : 2)) {
            fail(QStringLiteral("line %1: not an event").arg(lines_.lineNumber()));
            return std::nullopt;
        }
        if (valued) {
            const std::optional<int32_t> value = event.kind == ReplayEvent::Kind::Key
                ? number(words[2], FirstKeyCode, LastKeyCode)
                : number(words[2], 0, Replay::MaxBoxMs);
            if (!value) {
                fail(QStringLiteral("line %1: a key code or box time out of range").arg(lines_.lineNumber()));
                return std::nullopt;
            }
            event.value = *value;
        }
        return event;
    }

    Lines lines_;
};
} // namespace

QByteArray Replay::toText() const
{
    QByteArray text;
    text.reserve(256 + qsizetype(events.size()) * 12);
    text += Magic + ' ' + QByteArray::number(FormatVersion) + '\n';
    text += "# A game of Crawlix, to watch with crawlix --replay and prove with crawlix --verify.\n";
    text += "name " + name.toUtf8().toPercentEncoding(NameKeeps) + '\n';
    text += "score " + QByteArray::number(score) + '\n';
    text += "level " + QByteArray::number(level) + '\n';
    text += "still-bombs " + QByteArray::number(stillBombs) + '\n';
    text += "song " + QByteArray::number(song) + '\n';
    text += "seed " + QByteArray::number(seed) + '\n';
    text += "draws " + QByteArray::number(qulonglong(draws)) + '\n';
    text += "events " + QByteArray::number(qulonglong(events.size())) + '\n';
    for (const ReplayEvent& event : events) {
        text += QByteArray::number(event.ticks) + ' ' + KindWords[size_t(event.kind)];
        if (carriesValue(event.kind))
            text += ' ' + QByteArray::number(event.value);
        text += '\n';
    }
    return text;
}

bool Replay::fromText(const QByteArray& text, QString* refusal)
{
    Parser parser(text);
    Replay read;
    if (!parser.parse(read)) {
        if (refusal)
            *refusal = parser.refusal;
        return false;
    }
    *this = std::move(read);
    return true;
}

bool Replay::load(const QString& path, QString* refusal)
{
    // Opened without waiting, so that a FIFO or a device is refused, not waited on.
    const int handle = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (handle < 0) {
        if (refusal)
            *refusal = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    QFile file;
    file.open(handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat status {};
    // Only a regular file, and no larger than any replay can be.
    if (::fstat(handle, &status) != 0 || !S_ISREG(status.st_mode)) {
        if (refusal)
            *refusal = QStringLiteral("not a regular file");
        return false;
    }
    if (file.size() > MaxFileBytes) {
        if (refusal)
            *refusal = QStringLiteral("larger than any replay can be");
        return false;
    }
    const QByteArray text = file.read(MaxFileBytes + 1);
    if (text.size() > MaxFileBytes) {
        if (refusal)
            *refusal = QStringLiteral("larger than any replay can be");
        return false;
    }
    return fromText(text, refusal);
}
