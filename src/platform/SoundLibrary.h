// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sound module (crawlix-sound.so), the one part of the game that links the sound
// libraries. It lies beside the program in a build and in the library folder once installed
// (GameFiles::libraryFile), and is loaded when the audio first opens, not when the program
// starts, so the title screen never waits for it and the forty-odd libraries it brings.

class SoundModule;

namespace SoundLibrary {
// Loads the module once and for the rest of the run. Null when it cannot be loaded, and
// then one line on standard error says why; the game runs silent.
SoundModule* load();
// A program that links the module's code in (the tests) hands it over instead.
void useLinked(SoundModule& module);
} // namespace SoundLibrary
