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

// Starts the chosen song on the game window's music control, if any (the last step of the
// game window's load).
void StartMusic(MusicControl& control);
