// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Wave sound effects, played without waiting. A new sound cuts off the one still playing;
// a missing or unreadable file plays nothing; with no audio device the game is silent.

#include <QString>

class SoundModule;

namespace Audio {
// Loads the sound module and starts the sound once, after the first paint. False when there
// is no module (one warning line) or no audio device (silently); every sound and song is
// then a harmless no-op. Calling it again while open changes nothing. The audio device
// itself is open only while something plays or is about to.
bool open();
// Closes it at program end: stops the effect and the song, frees them, lets go of the device.
void close();
bool isOpen();
// The sound module while the sound is open; null otherwise.
SoundModule* sound();

// The General MIDI soundfont the songs are played with. Set before the songs are loaded.
// The default is songs.sf2 in the songs' folder (GameFiles::dataFile): Debian's TimGM6mb
// cut down to what they play. A song newer than it, and every song when there is none, is
// played with the whole TimGM6mb. An empty path brings the default back.
void setSoundFontPath(const QString& path);
QString soundFontPath(const QString& song = QString());

// Where a sound or song named by the game really lies. A bare name is looked for in the
// working directory first, then beside the program, then in the data folder; a Windows-style
// "\name" tail from the program's folder is read as "/name" when only that spelling exists.
QString localPath(const QString& path);
} // namespace Audio

// Plays a wave file and returns at once. A path without a folder is looked up in the
// working directory first, then beside the program, then in the data folder.
void PlaySoundFile(const QString& path);
