// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the game asks of its sound module, the one piece of the program that links SDL,
// SDL_mixer and FluidSynth. The program loads it once, after the title's first paint, and
// reaches everything through the one function the module exports.

#include <cstdint>

// What a game controller can say, in the game's own terms: the four directions (the D-pad,
// the left stick, a plain joystick's hat and first axes) and the five buttons it uses.
enum class PadInput : std::uint8_t { Up, Down, Left, Right, A, B, Start, Y, Back };
inline constexpr int PadInputCount = 9;

// Told, in order, what the controllers did. A direction or button held on two controllers
// at once is pressed when the first takes it and released when the last lets go.
class PadListener {
public:
    virtual void padPressed(PadInput input) = 0;
    virtual void padReleased(PadInput input) = 0;
    // A controller in use was pulled out (what it held is released first).
    virtual void controllerRemoved() = 0;
    // A joystick came that has no direction or no button the game can use.
    virtual void controllerUnusable(const char* name) = 0;

protected:
    ~PadListener() = default;
};

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

    // Starts looking for game controllers, those plugged in now and later. Returns a
    // descriptor that turns readable when one may have come or gone (-1: none to watch).
    // Nothing polls meanwhile.
    virtual int openControllers() = 0;
    // Tells the listener what the controllers did since the last call; returns how many
    // usable ones are connected. While that is more than none, call it often: a
    // controller's buttons are read only then.
    virtual int readControllers(PadListener& listener) = 0;

protected:
    ~SoundModule() = default;
};

// The module's one exported function, and its type.
inline constexpr const char* SoundModuleEntry = "crawlix_sound_module";
using SoundModuleEntryFunction = SoundModule* (*)();
