// SPDX-License-Identifier: GPL-3.0-or-later
// The game's pictures, sounds and songs: the sprite sheets keep their sizes, grey and cell
// borders at every scale, the icons load, and the wave and MIDI files beside the program are
// what the game and the audio back end expect.

#include "platform/SpriteSheets.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QtEndian>
#include <QtTest>

#include <map>
#include <optional>

namespace {

const QRgb ButtonFace = qRgb(192, 192, 192);
constexpr int BugCellWidth = 100;
constexpr int BugDrawnWidth = 97;
constexpr int BugDrawnHeight = 108;
constexpr int BombCell = 32;

bool isDark(QRgb c) { return qRed(c) < 48 && qGreen(c) < 48 && qBlue(c) < 48; }
bool isRed(QRgb c) { return qRed(c) > 170 && qGreen(c) < 100 && qBlue(c) < 80; }
bool isBlue(QRgb c) { return qBlue(c) > 120 && qBlue(c) > qRed(c) + 60; }

// Counts the pixels of a rectangle (in sheet pixels, scaled) that satisfy a test.
template <typename Test>
int countPixels(const QImage& image, int scale, QRect sheetRect, Test test)
{
    const QRect area(sheetRect.topLeft() * scale, sheetRect.size() * scale);
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += test(image.pixel(x, y)) ? 1 : 0;
    return count;
}

int countNotGrey(const QImage& image, int scale, QRect sheetRect)
{
    return countPixels(image, scale, sheetRect, [](QRgb c) { return (c & 0xFFFFFF) != (ButtonFace & 0xFFFFFF); });
}

// The smallest rectangle (in device pixels) holding every pixel of a sheet rectangle that is
// not plain grey.
QRect drawnBounds(const QImage& image, int scale, QRect sheetRect)
{
    const QRect area(sheetRect.topLeft() * scale, sheetRect.size() * scale);
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != (ButtonFace & 0xFFFFFF))
                bounds |= QRect(x, y, 1, 1);
    return bounds.translated(-area.topLeft());
}

QString sourceFile(const QString& relative)
{
    const QString root = qEnvironmentVariable("CRAWLIX_SOURCE_DIR");
    return root.isEmpty() ? QString() : QDir(root).filePath(relative);
}

// ---- wave files -------------------------------------------------------------------------

struct WaveInfo {
    quint16 format = 0;
    quint16 channels = 0;
    quint32 rate = 0;
    quint16 bits = 0;
    QByteArray samples;
};

std::optional<WaveInfo> readWave(const QByteArray& bytes)
{
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return std::nullopt;
    WaveInfo info;
    bool haveFormat = false;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        const quint32 size = qFromLittleEndian<quint32>(bytes.constData() + at + 4);
        const qsizetype body = at + 8;
        if (body + qsizetype(size) > bytes.size())
            return std::nullopt;
        if (id == "fmt " && size >= 16) {
            info.format = qFromLittleEndian<quint16>(bytes.constData() + body);
            info.channels = qFromLittleEndian<quint16>(bytes.constData() + body + 2);
            info.rate = qFromLittleEndian<quint32>(bytes.constData() + body + 4);
            info.bits = qFromLittleEndian<quint16>(bytes.constData() + body + 14);
            haveFormat = true;
        } else if (id == "data") {
            info.samples = bytes.mid(body, size);
        }
        at = body + size + (size & 1);
    }
    if (!haveFormat || info.samples.isEmpty())
        return std::nullopt;
    return info;
}

// ---- standard MIDI files ----------------------------------------------------------------

struct MidiSummary {
    int format = -1;
    int division = 0;
    int tracksDeclared = 0;
    int tracksRead = 0;
    bool everyTrackEnds = true;
    quint64 lastTick = 0;
    std::map<quint64, quint32> tempos;       // tick -> microseconds per beat
    QSet<int> channelsWithNotes;
    QString error;
};

class ByteReader {
public:
    ByteReader(const QByteArray& bytes, qsizetype from, qsizetype to)
        : bytes_(bytes), at_(from), end_(to) {}
    bool atEnd() const { return at_ >= end_; }
    bool has(qsizetype n) const { return at_ + n <= end_; }
    quint8 byte() { return has(1) ? quint8(bytes_[at_++]) : (failed_ = true, 0); }
    quint8 peek() const { return has(1) ? quint8(bytes_[at_]) : 0; }
    quint32 variable()
    {
        quint32 value = 0;
        for (int i = 0; i < 4; ++i) {
            const quint8 b = byte();
            value = (value << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return value;
        }
        failed_ = true;
        return value;
    }
    QByteArray take(quint32 n)
    {
        if (!has(n)) {
            failed_ = true;
            return {};
        }
        const QByteArray out = bytes_.mid(at_, n);
        at_ += n;
        return out;
    }
    bool failed() const { return failed_; }

private:
    const QByteArray& bytes_;
    qsizetype at_;
    qsizetype end_;
    bool failed_ = false;
};

// Reads one track's events; returns false when the track is malformed.
bool readTrack(ByteReader& in, MidiSummary& summary)
{
    quint64 tick = 0;
    quint8 status = 0;
    bool ended = false;
    while (!in.atEnd() && !in.failed()) {
        if (ended)
            return false; // events after the end of the track
        tick += in.variable();
        if (in.peek() & 0x80)
            status = in.byte();
        else if (status == 0 || status >= 0xF0)
            return false; // running status with nothing to run on
        if (status == 0xFF) {
            const quint8 kind = in.byte();
            const QByteArray data = in.take(in.variable());
            if (kind == 0x2F)
                ended = true;
            if (kind == 0x51 && data.size() == 3)
                summary.tempos[tick] = (quint8(data[0]) << 16) | (quint8(data[1]) << 8) | quint8(data[2]);
            status = 0;
        } else if (status == 0xF0 || status == 0xF7) {
            in.take(in.variable());
            status = 0;
        } else {
            const int kind = status & 0xF0;
            const quint8 first = in.byte();
            const quint8 second = (kind == 0xC0 || kind == 0xD0) ? 0 : in.byte();
            if (first > 127 || second > 127)
                return false;
            if (kind == 0x90 && second > 0)
                summary.channelsWithNotes.insert(status & 0x0F);
        }
        summary.lastTick = std::max(summary.lastTick, tick);
    }
    return ended && !in.failed();
}

MidiSummary readMidi(const QByteArray& bytes)
{
    MidiSummary summary;
    if (bytes.size() < 14 || !bytes.startsWith("MThd") || qFromBigEndian<quint32>(bytes.constData() + 4) != 6) {
        summary.error = QStringLiteral("no MThd header");
        return summary;
    }
    summary.format = qFromBigEndian<quint16>(bytes.constData() + 8);
    summary.tracksDeclared = qFromBigEndian<quint16>(bytes.constData() + 10);
    summary.division = qFromBigEndian<qint16>(bytes.constData() + 12);
    qsizetype at = 14;
    while (at + 8 <= bytes.size()) {
        const quint32 size = qFromBigEndian<quint32>(bytes.constData() + at + 4);
        if (bytes.mid(at, 4) != "MTrk" || at + 8 + qsizetype(size) > bytes.size()) {
            summary.error = QStringLiteral("bad track chunk at byte %1").arg(at);
            return summary;
        }
        ByteReader in(bytes, at + 8, at + 8 + size);
        summary.everyTrackEnds = readTrack(in, summary) && summary.everyTrackEnds;
        ++summary.tracksRead;
        at += 8 + size;
    }
    if (at != bytes.size())
        summary.error = QStringLiteral("trailing bytes after the last track");
    return summary;
}

double midiSeconds(const MidiSummary& summary)
{
    double seconds = 0;
    quint64 tick = 0;
    quint32 tempo = 500000; // 120 beats a minute until the file says otherwise
    for (const auto& [at, microseconds] : summary.tempos) {
        const quint64 until = std::min(at, summary.lastTick);
        seconds += double(until - std::min(tick, until)) * tempo / summary.division / 1e6;
        tick = std::max(tick, until);
        tempo = microseconds;
    }
    seconds += double(summary.lastTick - tick) * tempo / summary.division / 1e6;
    return seconds;
}

} // namespace

class ArtworkTest : public QObject {
    Q_OBJECT

private slots:
    void sheetsHaveTheirSizeInDevicePixels()
    {
        for (const int scale : {1, 2}) {
            const QImage bombs = SpriteSheets::bombs(scale);
            const QImage bug = SpriteSheets::bug(scale);
            QCOMPARE(bombs.size(), QSize(64, 32) * scale);
            QCOMPARE(bug.size(), QSize(200, 109) * scale);
            QCOMPARE(bombs.format(), QImage::Format_RGB32);
            QCOMPARE(bug.format(), QImage::Format_RGB32);
        }
    }

    void sheetCornersAreButtonFaceGrey()
    {
        for (const int scale : {1, 2}) {
            for (const QImage& sheet : {SpriteSheets::bombs(scale), SpriteSheets::bug(scale)}) {
                const int right = sheet.width() - 1;
                const int bottom = sheet.height() - 1;
                for (const QPoint corner : {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom)})
                    QCOMPARE(sheet.pixel(corner), ButtonFace);
            }
        }
    }

    // The game redraws only 97 x 108 of the bug at level setup, so whatever lies to the right
    // or below must be background or a stale strip of the old picture would show.
    void bugCellsKeepTheirRightColumnsAndBottomRowPlain()
    {
        for (const int scale : {1, 2, 3}) {
            const QImage bug = SpriteSheets::bug(scale);
            for (const int cell : {0, BugCellWidth}) {
                const QRect rightColumns(cell + BugDrawnWidth, 0, BugCellWidth - BugDrawnWidth, 109);
                const QRect bottomRow(cell, BugDrawnHeight, BugCellWidth, 1);
                QVERIFY2(countNotGrey(bug, scale, rightColumns) == 0, qPrintable(QString("scale %1 cell %2").arg(scale).arg(cell)));
                QVERIFY2(countNotGrey(bug, scale, bottomRow) == 0, qPrintable(QString("scale %1 cell %2").arg(scale).arg(cell)));
            }
        }
    }

    // A sprite touching its cell's edge would carry a sliver of the neighbouring cell.
    void spritesStayOffTheEdgesOfTheirCells()
    {
        for (const int scale : {1, 2, 3}) {
            const QImage bombs = SpriteSheets::bombs(scale);
            for (const int cell : {0, BombCell}) {
                QCOMPARE(countNotGrey(bombs, scale, QRect(cell, 0, 1, BombCell)), 0);
                QCOMPARE(countNotGrey(bombs, scale, QRect(cell + BombCell - 1, 0, 1, BombCell)), 0);
                QCOMPARE(countNotGrey(bombs, scale, QRect(cell, 0, BombCell, 1)), 0);
                QCOMPARE(countNotGrey(bombs, scale, QRect(cell, BombCell - 1, BombCell, 1)), 0);
            }
            const QImage bug = SpriteSheets::bug(scale);
            for (const int cell : {0, BugCellWidth}) {
                QCOMPARE(countNotGrey(bug, scale, QRect(cell, 0, 1, 109)), 0);
                QCOMPARE(countNotGrey(bug, scale, QRect(cell, 0, BugCellWidth, 1)), 0);
            }
        }
    }

    // The collision boxes are the whole cells, so a drawing that leaves wide grey margins makes
    // a hit look like a miss: every drawing reaches to within a pixel or two of the part of
    // its cell it may use (a bomb cell less its one-pixel border; a bug cell less that border
    // on the left and top and the plain strips on the right and at the bottom).
    void drawingsFillTheirCells()
    {
        for (const int scale : {1, 2}) {
            const QImage bombs = SpriteSheets::bombs(scale);
            for (const int cell : {0, BombCell}) {
                const QRect drawn = drawnBounds(bombs, scale, QRect(cell, 0, BombCell, BombCell));
                const QString where = QString("scale %1 bomb cell %2: %3,%4 %5x%6").arg(scale).arg(cell)
                                          .arg(drawn.x()).arg(drawn.y()).arg(drawn.width()).arg(drawn.height());
                QVERIFY2(drawn.width() >= 29 * scale && drawn.height() >= 29 * scale, qPrintable(where));
            }
            // Not just the fuse and the spark: the black ball itself is most of the cell wide
            // (24 of its 32 sheet pixels, each scale x scale device pixels).
            int widestBlack = 0;
            for (int y = 0; y < BombCell; ++y)
                widestBlack = std::max(widestBlack, countPixels(bombs, scale, QRect(0, y, BombCell, 1), isDark));
            QVERIFY2(widestBlack >= 24 * scale * scale, qPrintable(QString("scale %1: %2").arg(scale).arg(widestBlack)));
            const QImage bug = SpriteSheets::bug(scale);
            for (const int cell : {0, BugCellWidth}) {
                const QRect drawn = drawnBounds(bug, scale, QRect(cell, 0, BugCellWidth, 109));
                const QString where = QString("scale %1 bug cell %2: %3,%4 %5x%6").arg(scale).arg(cell)
                                          .arg(drawn.x()).arg(drawn.y()).arg(drawn.width()).arg(drawn.height());
                QVERIFY2(drawn.left() <= 3 * scale && drawn.top() <= 3 * scale, qPrintable(where));
                QVERIFY2(drawn.right() >= (BugDrawnWidth - 3) * scale, qPrintable(where));
                QVERIFY2(drawn.bottom() >= (BugDrawnHeight - 3) * scale, qPrintable(where));
            }
        }
    }

    void bombIsDarkAndItsExplosionRed()
    {
        const QImage bombs = SpriteSheets::bombs(1);
        const QRect bomb(0, 0, BombCell, BombCell);
        const QRect burst(BombCell, 0, BombCell, BombCell);
        QVERIFY(countPixels(bombs, 1, bomb, isDark) > 150);
        QVERIFY(countPixels(bombs, 1, burst, isRed) > 60);
        QCOMPARE(countPixels(bombs, 1, burst, isDark), 0);
        QVERIFY(bombs.copy(bomb) != bombs.copy(burst));
    }

    void explodingBugIsTheBlueBeetleWithABurstOverItsHead()
    {
        const QImage bug = SpriteSheets::bug(2);
        const QRect head(0, 0, BugDrawnWidth, 50);
        const QRect body(0, 50, BugDrawnWidth, BugDrawnHeight - 50);
        QVERIFY(countPixels(bug, 2, body, isBlue) > 4000);
        QCOMPARE(countPixels(bug, 2, head, isRed), 0);
        QVERIFY(countPixels(bug, 2, head.translated(BugCellWidth, 0), isRed) > 1000);
        // Below the burst the exploding bug is the same beetle.
        QCOMPARE(bug.copy(QRect(QPoint(0, 120), QSize(194, 96))),
                 bug.copy(QRect(QPoint(200, 120), QSize(194, 96))));
    }

    void iconsLoadAtTheirSizes()
    {
        const QIcon application = SpriteSheets::applicationIcon();
        QVERIFY(!application.isNull());
        for (const int size : {16, 32, 48, 64, 128, 256}) {
            QVERIFY2(application.availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));
            QCOMPARE(application.pixmap(size).size(), QSize(size, size));
        }

        const QIcon topTen = SpriteSheets::topTenIcon();
        QVERIFY(!topTen.isNull());
        QVERIFY(topTen.availableSizes().contains(QSize(32, 32)));
        const QImage picture(QStringLiteral(":/icons/topten.png"));
        QCOMPARE(picture.size(), QSize(32, 32));
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                colours.insert(picture.pixel(x, y));
        QVERIFY2(colours.size() <= 16, qPrintable(QString("%1 colours").arg(colours.size())));
        QVERIFY(colours.size() >= 4);
    }

    void waveFilesArePcmOfTheirIntendedLengthWithoutClipping_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("seconds");
        QTest::newRow("cheer") << "halleluj.wav" << 2.0;
        QTest::newRow("blast") << "explode.wav" << 1.5;
        QTest::newRow("eerie chord") << "god.wav" << 1.0;
    }

    void waveFilesArePcmOfTheirIntendedLengthWithoutClipping()
    {
        QFETCH(QString, file);
        QFETCH(double, seconds);
        const QString path = sourceFile("assets/sounds/" + file);
        QVERIFY2(!path.isEmpty(), "CRAWLIX_SOURCE_DIR is not set");
        QFile wave(path);
        QVERIFY2(wave.open(QIODevice::ReadOnly), qPrintable(path));
        const std::optional<WaveInfo> info = readWave(wave.readAll());
        QVERIFY2(info.has_value(), "not a RIFF WAVE file");
        QCOMPARE(info->format, quint16(1));
        QCOMPARE(info->bits, quint16(16));
        QVERIFY(info->channels == 1 || info->channels == 2);
        QVERIFY(info->rate == 22050 || info->rate == 44100);
        const qsizetype frameBytes = 2 * info->channels;
        QCOMPARE(info->samples.size() % frameBytes, 0);
        const double length = double(info->samples.size() / frameBytes) / info->rate;
        QVERIFY2(qAbs(length - seconds) <= 0.3, qPrintable(QString("%1 s").arg(length)));

        int peak = 0;
        for (qsizetype at = 0; at + 1 < info->samples.size(); at += 2)
            peak = std::max(peak, qAbs(int(qFromLittleEndian<qint16>(info->samples.constData() + at))));
        QVERIFY2(peak < 32767, "clipped");
        QVERIFY2(peak > 16384, "too quiet: not normalised");
    }

    void songsAreStandardMidiFilesOfAboutAMinute_data()
    {
        QTest::addColumn<QString>("file");
        for (const char* name : {"esm.mid", "horsemen.mid", "one.mid", "orion.mid", "seek.mid"})
            QTest::newRow(name) << QString(name);
    }

    void songsAreStandardMidiFilesOfAboutAMinute()
    {
        QFETCH(QString, file);
        const QString path = sourceFile("assets/songs/" + file);
        QVERIFY2(!path.isEmpty(), "CRAWLIX_SOURCE_DIR is not set");
        QFile song(path);
        QVERIFY2(song.open(QIODevice::ReadOnly), qPrintable(path));
        const MidiSummary midi = readMidi(song.readAll());
        QVERIFY2(midi.error.isEmpty(), qPrintable(midi.error));
        QVERIFY(midi.format == 0 || midi.format == 1);
        QVERIFY(midi.division > 0);
        QCOMPARE(midi.tracksRead, midi.tracksDeclared);
        QVERIFY2(midi.everyTrackEnds, "a track is malformed or lacks its end-of-track event");
        const double seconds = midiSeconds(midi);
        QVERIFY2(seconds >= 45 && seconds <= 90, qPrintable(QString("%1 s").arg(seconds)));
        QVERIFY2(midi.channelsWithNotes.contains(9), "no drums on channel 10");
        QVERIFY(midi.channelsWithNotes.size() >= 4);
    }

    // The duration reckoning itself: a tempo change halfway through a file counts.
    void midiLengthFollowsTheTempoMap()
    {
        MidiSummary summary;
        summary.division = 480;
        summary.lastTick = 4 * 480;
        summary.tempos = {{0, 500000}, {2 * 480, 1000000}};
        QCOMPARE(midiSeconds(summary), 1.0 + 2.0);
    }
};

QTEST_MAIN(ArtworkTest)
#include "test_artwork.moc"
