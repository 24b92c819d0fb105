#pragma once
// Wave sound effects, played without waiting. A new sound cuts off the one still playing;
// a missing or unreadable file plays nothing; with no audio device the game is silent.

#include <QString>

namespace Audio {
// Opens the audio device once at start-up (audio only). False, silently, when there is none.
bool open();
// Closes it at program end.
void close();
bool isOpen();
} // namespace Audio

// Plays a wave file and returns at once. A path without a folder is looked up in the
// working directory first, then in the program's folder.
void PlaySoundFile(const QString& path);
