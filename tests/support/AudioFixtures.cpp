// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioFixtures.h"

#include "platform/PlayASound.h"
#include "platform/SoundLibrary.h"
#include "sound/Sounds.h"

#include <QFile>

#include <cmath>
#include <numbers>

namespace {
constexpr int WaveRate = 22050;
constexpr double WaveAmplitude = 12000.0;
constexpr int TicksPerQuarter = 96;
constexpr int NoteTicks = 96; // half a second at the default 120 beats a minute
constexpr char FirstNote = 60;
// The device as the game opens it: 44.1 kHz, 16-bit stereo.
constexpr int DeviceRate = 44100;
constexpr int DeviceChannels = 2;
constexpr int DeviceSampleBytes = 2;
// A buffer of the disk driver is written every few milliseconds instead of in real time.
constexpr const char* DiskDelayMs = "3";

void put16(QByteArray& out, quint16 value)
{
    out.append(char(value & 0xff)).append(char(value >> 8));
}

void put32(QByteArray& out, quint32 value)
{
    put16(out, quint16(value & 0xffff));
    put16(out, quint16(value >> 16));
}

void put32BigEndian(QByteArray& out, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xff));
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray songTrack(int notes)
{
    QByteArray track;
    track.append("\x00\xff\x51\x03\x07\xa1\x20", 7); // tempo: 120 beats a minute
    track.append("\x00\xc0\x00", 3);                 // channel 1: acoustic grand piano
    for (int i = 0; i < notes; ++i) {
        const char key = char(FirstNote + (i * 4) % 12);
        track.append('\x00').append('\x90').append(key).append('\x64');
        track.append(char(NoteTicks)).append('\x80').append(key).append('\x40');
    }
    track.append("\x00\xff\x2f\x00", 4); // end of track
    return track;
}
} // namespace

namespace AudioFixtures {

bool writeToneWave(const QString& path, double seconds, double frequency)
{
    const int frames = int(seconds * WaveRate);
    QByteArray samples;
    for (int i = 0; i < frames; ++i) {
        const double phase = 2.0 * std::numbers::pi * frequency * i / WaveRate;
        put16(samples, quint16(qint16(std::lround(WaveAmplitude * std::sin(phase)))));
    }
    QByteArray wave("RIFF");
    put32(wave, quint32(36 + samples.size()));
    wave.append("WAVEfmt ");
    put32(wave, 16);
    put16(wave, 1); // PCM
    put16(wave, 1); // mono
    put32(wave, WaveRate);
    put32(wave, WaveRate * 2);
    put16(wave, 2);
    put16(wave, 16);
    wave.append("data");
    put32(wave, quint32(samples.size()));
    wave.append(samples);
    return writeFile(path, wave);
}

bool writeTestSong(const QString& path, int notes)
{
    const QByteArray track = songTrack(notes);
    QByteArray song("MThd");
    put32BigEndian(song, 6);
    song.append("\x00\x00\x00\x01", 4); // format 0, one track
    song.append(char(0)).append(char(TicksPerQuarter));
    song.append("MTrk");
    put32BigEndian(song, quint32(track.size()));
    song.append(track);
    return writeFile(path, song);
}

bool reopenWithDriver(const char* driver)
{
    SoundLibrary::useLinked(Sounds::instance());
    Audio::close();
    qputenv("SDL_AUDIODRIVER", driver);
    return Audio::open();
}

bool reopenOnDisk(const QString& outputFile)
{
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(outputFile));
    qputenv("SDL_DISKAUDIODELAY", DiskDelayMs);
    return reopenWithDriver("disk");
}

int bytesPerSecond() { return DeviceRate * DeviceChannels * DeviceSampleBytes; }

} // namespace AudioFixtures
