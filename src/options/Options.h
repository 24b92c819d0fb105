// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The stored options and the choice of the background song.

#include <QString>

class MusicControl;

// The five songs: number 1 to 5, the key stored in "Song To Play", the option button's
// caption and the file beside the program.
struct Song {
    const char* key;
    const char* caption;
    const char* file;
};
const Song& SongInfo(int number); // 1 to 5

// Reads "Music Option" (and "Song To Play" for "Single") into MusicOption and SongNumber.
void LoadOptions();

// Reads "Start Level" and "Still Bombs" into StartLevelText and StillBombsText (the game
// window's load). A value that could not be read (another program's lock, a failing disk)
// keeps the text in memory, or before any was read the options window's own, "1" and "3":
// a failed read never sends the game to level 0.
void ReadLevelOptions();

// How the title screen finds the stored options.
enum class StoredOptions {
    Usable,         // read and fit to play with, or not read at all: the game goes on
    Missing,        // read, and no start level stored yet: the first run
    NeedCorrecting, // read, and a value the options window never writes is stored
};
// Reads the options into StartLevelText, StillBombsText, MusicOption (and SongNumber for a
// single song), as the options window shows them, and tells how they stand.
StoredOptions ReadStoredOptions();

// Starts the chosen song on the game window's music control, if any (the last step of the
// game window's load).
void StartMusic(MusicControl& control);
