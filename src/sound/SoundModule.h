// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the game asks of its sound module, the one piece of the program that links SDL,
// SDL_mixer and FluidSynth. The program loads it once, after the title's first paint, and
// reaches everything through the one function the module exports.

#include <cstdint>

class SoundModule {
public:
    enum class SongState { Silent, Loading, Playing };

    // Starts the sound for the run; false, and silent, when no audio device opens.
    virtual bool open() = 0;
    // Stops the effect and the song and lets go of the device. Never waits for a song
    // still loading.
    virtual void close() = 0;

    // Plays a wave file without waiting, cutting off the effect still playing. An empty
    // path only stops that one; a missing or unreadable file plays nothing.
    virtual void playEffect(const char* file) = 0;

    // Starts a MIDI song from its top in place of whatever song plays, loading it in the
    // background with the given soundfont. Returns the song's number, by which it is
    // stopped and asked after.
    virtual std::uint64_t startSong(const char* file, const char* soundFont) = 0;
    // Stops that song, when it still is the one playing or about to; any other is left be.
    virtual void stopSong(std::uint64_t song) = 0;
    // Silent once the song has ended, was stopped or replaced, or could not be played.
    virtual SongState songState(std::uint64_t song) = 0;

protected:
    ~SoundModule() = default;
};

// The module's one exported function, and its type.
inline constexpr const char* SoundModuleEntry = "crawlix_sound_module";
using SoundModuleEntryFunction = SoundModule* (*)();
