// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small sound and song files made on the spot, so the sound tests depend on nothing but
// themselves, and the helpers that switch the audio device between SDL's drivers.

#include <QByteArray>
#include <QString>

namespace AudioFixtures {
// A mono 16-bit wave file holding a sine tone of the given length.
bool writeToneWave(const QString& path, double seconds, double frequency = 440.0);
// A standard MIDI file: a piano plays the given number of notes, half a second each,
// the first at once.
bool writeTestSong(const QString& path, int notes);

// Reopens the audio device with the named SDL driver (after closing it); the result of
// Audio::open(). The sound module is the one linked into the test.
bool reopenWithDriver(const char* driver);
// Reopens the audio device on SDL's disk driver, which writes every mixed sample to the
// given file, a little faster than real time.
bool reopenOnDisk(const QString& outputFile);

// Bytes the device takes for a second of sound.
int bytesPerSecond();
} // namespace AudioFixtures
