// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/Sounds.h"

#include <SDL.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {
constexpr int MixFrequency = 44100;
constexpr int MixChannels = 2;
// About 23 ms a buffer: short enough that an effect is heard on the key press that asked
// for it, long enough that the synthesizer never stutters on a busy machine.
constexpr int MixBufferFrames = 1024;
// Effects share one mixing channel, so a new one cuts off the one still playing, as the
// game has always sounded.
constexpr int EffectChannels = 1;
constexpr int EffectChannel = 0;
constexpr int PlayOnce = 0;
// The effects peak at about -1 dBFS in their files; mixed at a third of full volume they
// stay clear of full scale on top of the loudest moment of any song.
constexpr int EffectVolume = 44;
// The device closes once it has played this many seconds of silence after the last sound,
// so that effects in quick succession find it open, and a game that stands still wakes
// nobody. Counted in what the device has played, not on the clock, so that it is the same
// on a device slower or faster than real time (SDL's disk driver).
constexpr int QuietSecondsBeforeClosing = 2;
// While the device is open, the sound's own thread looks this often whether anything
// still sounds (the audio thread wakes some forty times a second meanwhile anyway).
constexpr auto WatchInterval = std::chrono::milliseconds(250);
} // namespace

Sounds& Sounds::instance()
{
    static Sounds& sounds = *new Sounds;
    return sounds;
}

bool Sounds::open()
{
    Lock lock(mutex_);
    if (started_)
        return true;
    // A Ctrl+C or a TERM from the desktop must still end the game; SDL would otherwise
    // turn them into events nobody here reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Opened once now to know that it opens; it closes again when nothing comes to play.
    if (!openDevice())
        return false;
    started_ = true;
    if (!threadRunning_) {
        threadRunning_ = true;
        std::thread(&Sounds::run, this).detach();
    }
    return true;
}

// A song still loading is not waited for: the program ends at once.
void Sounds::close()
{
    Lock lock(mutex_);
    if (!started_)
        return;
    wanted_ = 0;
    queued_.reset();
    closeDevice();
    retired_.clear();
    started_ = false;
    changed_.notify_all();
}

void Sounds::playEffect(const char* file)
{
    Lock lock(mutex_);
    if (!started_)
        return;
    // The old chunk may only be freed once the mixer has let go of it.
    stopEffect();
    if (*file == '\0' || (!deviceOpen_ && !openDevice()))
        return;
    // The effects are tiny; reading them afresh every time means a file that changed or
    // appeared since is heard as it is now.
    effect_ = Mix_LoadWAV(file);
    if (effect_)
        Mix_PlayChannel(EffectChannel, effect_, PlayOnce);
    else
        sayWhy(Silence::Effect, std::string(file) + ": " + Mix_GetError());
    quietFrom_ = framesPlayed_.load();
}

std::uint64_t Sounds::startSong(const char* file, const char* soundFont)
{
    Lock lock(mutex_);
    if (!started_)
        return 0;
    // The song it replaces goes off the air now, and its synthesizer goes before the new
    // one is loaded: there is never more than one.
    retireSong();
    wanted_ = ++lastSong_;
    queued_ = Request{wanted_, file, soundFont};
    changed_.notify_all();
    return wanted_;
}

void Sounds::stopSong(std::uint64_t song)
{
    Lock lock(mutex_);
    if (song == 0)
        return;
    if (wanted_ == song) {
        wanted_ = 0;
        queued_.reset();
    }
    if (song_ && songNumber_ == song) {
        retireSong();
        changed_.notify_all();
    }
}

SoundModule::SongState Sounds::songState(std::uint64_t song)
{
    Lock lock(mutex_);
    if (song != 0 && wanted_ == song)
        return SongState::Loading;
    if (song_ && songNumber_ == song && !song_->ended())
        return SongState::Playing;
    return SongState::Silent;
}

// SDL counts how often each of its parts was started; the audio's start and stop (on the
// sound's thread too) and the controllers' must not meet.
int Sounds::openControllers()
{
    Lock lock(mutex_);
    return pads_.open();
}

int Sounds::readControllers(PadListener& listener)
{
    Lock lock(mutex_);
    return pads_.read(listener);
}

bool Sounds::waitUntilIdle(int timeoutMs)
{
    Lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !hasWork(); });
}

int Sounds::songLoadCount()
{
    Lock lock(mutex_);
    return loads_;
}

void Sounds::setLoadGate(std::function<void()> gate)
{
    Lock lock(mutex_);
    loadGate_ = std::move(gate);
}

bool Sounds::songSounding()
{
    Lock lock(mutex_);
    return song_ && !song_->ended();
}

bool Sounds::synthesizerLoaded()
{
    Lock lock(mutex_);
    return song_ || !retired_.empty() || freeing_;
}

// SDL's audio goes with the device: some of its drivers keep a thread of their own awake
// for as long as the audio is initialised (ALSA's looks for new devices ten times a second).
bool Sounds::openDevice()
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        sayWhy(Silence::Device, std::string("the audio device will not open: ") + SDL_GetError());
        return false;
    }
    if (Mix_OpenAudio(MixFrequency, MIX_DEFAULT_FORMAT, MixChannels, MixBufferFrames) != 0) {
        sayWhy(Silence::Device, std::string("the audio device will not open: ") + SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_AllocateChannels(EffectChannels);
    Mix_Volume(EffectChannel, EffectVolume);
    Uint16 format = 0;
    Mix_QuerySpec(&deviceRate_, &format, &deviceChannels_);
    framesPlayed_ = 0;
    Mix_SetPostMix(&Sounds::countPlayed, this);
    deviceOpen_ = true;
    quietFrom_ = framesPlayed_.load();
    changed_.notify_all(); // the thread watches for the silence that closes it again
    return true;
}

// On the audio thread, after every buffer mixed.
void Sounds::countPlayed(void* sounds, std::uint8_t*, int bytes)
{
    auto* self = static_cast<Sounds*>(sounds);
    self->framesPlayed_ += bytes / int(sizeof(std::int16_t)) / std::max(1, self->deviceChannels_);
}

void Sounds::closeDevice()
{
    if (!deviceOpen_)
        return;
    retireSong();
    stopEffect();
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    deviceOpen_ = false;
    changed_.notify_all();
}

void Sounds::stopEffect()
{
    if (deviceOpen_)
        Mix_HaltChannel(EffectChannel);
    if (effect_) {
        Mix_FreeChunk(effect_);
        effect_ = nullptr;
    }
}

// Takes the song off the air at once; the thread frees it.
void Sounds::retireSong()
{
    if (!song_)
        return;
    Mix_HookMusic(nullptr, nullptr);
    retired_.push_back(std::move(song_));
    songNumber_ = 0;
}

bool Sounds::sounding() const
{
    const bool effect = deviceOpen_ && Mix_Playing(EffectChannel) != 0;
    return effect || (song_ && !song_->ended()) || queued_ || loading_;
}

bool Sounds::hasWork() const
{
    return queued_ || loading_ || freeing_ || !retired_.empty() || (song_ && song_->ended());
}

// The sound's own thread: loads the songs, frees what is done with, and closes the
// device once nothing has sounded for a while. With the device closed it only sleeps.
void Sounds::run()
{
    Lock lock(mutex_);
    for (;;) {
        if (song_ && song_->ended())
            retireSong();
        if (queued_) {
            loadQueued(lock);
        } else if (!retired_.empty()) {
            freeRetired(lock);
        } else if (!deviceOpen_) {
            changed_.wait(lock);
        } else if (sounding()) {
            quietFrom_ = framesPlayed_.load();
            changed_.wait_for(lock, WatchInterval);
        } else if (framesPlayed_ - quietFrom_ >= std::int64_t(QuietSecondsBeforeClosing) * deviceRate_) {
            closeDevice();
        } else {
            changed_.wait_for(lock, WatchInterval);
        }
    }
}

void Sounds::loadQueued(Lock& lock)
{
    const Request request = std::move(*queued_);
    queued_.reset();
    loading_ = true;
    ++loads_;
    std::vector<std::unique_ptr<Song>> done = std::move(retired_);
    retired_.clear();
    const std::function<void()> gate = loadGate_;
    const int rate = deviceRate_;
    const int channels = deviceChannels_;
    lock.unlock();
    done.clear();
    if (gate)
        gate();
    std::unique_ptr<Song> song = Song::load(request.file, request.soundFont, rate, channels);
    lock.lock();
    loading_ = false;
    if (request.song == wanted_) {
        // A song that cannot be read or played leaves the game silent.
        wanted_ = 0;
        if (!song)
            sayWhy(Silence::Song, request.file + " will not play with the soundfont " + request.soundFont);
        if (song && (deviceOpen_ || openDevice())) {
            // Handed to the audio thread under SDL's audio lock.
            Mix_HookMusic(&Song::mixHook, song.get());
            song_ = std::move(song);
            songNumber_ = request.song;
            quietFrom_ = framesPlayed_.load();
        }
    }
    changed_.notify_all();
    if (song) { // loaded for a song no longer wanted
        lock.unlock();
        song.reset();
        lock.lock();
    }
}

// A song that ended or was stopped: its player and synthesizer go, and the memory they
// held goes back to the system.
void Sounds::freeRetired(Lock& lock)
{
    std::vector<std::unique_ptr<Song>> done = std::move(retired_);
    retired_.clear();
    freeing_ = true;
    lock.unlock();
    done.clear();
    malloc_trim(0);
    lock.lock();
    freeing_ = false;
    changed_.notify_all();
}

// One line on standard error for each kind of silence, the first time it falls.
void Sounds::sayWhy(Silence kind, const std::string& why)
{
    if (said_.test(std::size_t(kind)))
        return;
    said_.set(std::size_t(kind));
    std::fprintf(stderr, "crawlix: no sound: %s\n", why.c_str());
}

extern "C" [[gnu::visibility("default")]] SoundModule* crawlix_sound_module()
{
    return &Sounds::instance();
}
