// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one owner of the game's sound for the whole run: the audio device, the effect on its
// one mixing channel, and the song with its synthesizer. A thread of its own loads the
// songs (the window never waits for one), frees what is done with, and closes the device
// soon after the last sound ends: while nothing sounds, no thread of the sound wakes.
// It also holds the game controllers, since SDL's parts are started and stopped under its
// one lock.

#include "sound/GamePads.h"
#include "sound/Song.h"
#include "sound/SoundModule.h"

#include <SDL_mixer.h>

#include <atomic>
#include <bitset>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class Sounds final : public SoundModule {
public:
    // The one instance, never destroyed: a song load still under way when the program
    // ends may outlive every static object.
    static Sounds& instance();

    bool open() override;
    void close() override;
    void playEffect(const char* file) override;
    std::uint64_t startSong(const char* file, const char* soundFont) override;
    void stopSong(std::uint64_t song) override;
    SongState songState(std::uint64_t song) override;
    int openControllers() override;
    int readControllers(PadListener& listener) override;

    // For the tests, which link this code in: waits until nothing is left to load or free;
    // counts the song loads begun; holds every load, on the loading thread, just before
    // the song is read (an empty function lets them run free again); tells whether a song
    // sounds, and whether a synthesizer is in memory.
    bool waitUntilIdle(int timeoutMs);
    int songLoadCount();
    void setLoadGate(std::function<void()> gate);
    bool songSounding();
    bool synthesizerLoaded();

private:
    using Lock = std::unique_lock<std::mutex>;
    // What the game stays silent for; each is said once a run.
    enum class Silence { Device, Effect, Song, Kinds };

    struct Request {
        std::uint64_t song = 0;
        std::string file;
        std::string soundFont;
    };

    Sounds() = default;
    static void countPlayed(void* sounds, std::uint8_t* stream, int bytes);
    bool openDevice();
    void closeDevice();
    void stopEffect();
    void retireSong();
    bool sounding() const;
    bool hasWork() const;
    void run();
    void loadQueued(Lock& lock);
    void freeRetired(Lock& lock);
    void sayWhy(Silence kind, const std::string& why);

    // Never taken on the audio thread: a song is handed to the mixer, and taken back,
    // under SDL's own audio lock (Mix_HookMusic takes it).
    std::mutex mutex_;
    std::condition_variable changed_;
    bool started_ = false;
    bool threadRunning_ = false;
    bool deviceOpen_ = false;
    int deviceRate_ = 0;
    int deviceChannels_ = 0;
    // Frames the device has played since it opened (counted on the audio thread), and
    // how many it had when something last sounded.
    std::atomic<std::int64_t> framesPlayed_{0};
    std::int64_t quietFrom_ = 0;
    Mix_Chunk* effect_ = nullptr;

    std::uint64_t lastSong_ = 0;
    // The song asked for and not yet on the air (0: none): queued, or being loaded.
    std::uint64_t wanted_ = 0;
    std::optional<Request> queued_;
    bool loading_ = false;
    bool freeing_ = false;
    std::unique_ptr<Song> song_; // on the air
    std::uint64_t songNumber_ = 0;
    std::vector<std::unique_ptr<Song>> retired_;

    int loads_ = 0;
    std::function<void()> loadGate_;
    std::bitset<std::size_t(Silence::Kinds)> said_;

    GamePads pads_;
};
