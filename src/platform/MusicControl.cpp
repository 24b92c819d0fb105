#include "platform/MusicControl.h"

#include "platform/PlayASound.h"

#include <QFile>
#include <QFileInfo>
#include <SDL_mixer.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {
constexpr int PlayOnce = 0; // the song is never started again when it ends

struct SongRequest {
    std::uint64_t owner = 0;
    std::uint64_t generation = 0;
    std::string path;
};

// The process's one MIDI sequencer. The mixer plays one song at a time, so every music
// control shares it and the newest start wins. FluidSynth never rewinds a song, so every
// start loads the file afresh; loading reads the whole soundfont (20-40 ms), which is why
// songs are loaded, and freed, on a worker thread and the window never waits for them.
class Sequencer {
public:
    ~Sequencer();

    std::uint64_t newOwner();
    void start(std::uint64_t owner, std::string path);
    void stop(std::uint64_t owner);
    bool playing(std::uint64_t owner);
    bool waitUntilSettled(std::uint64_t owner, int timeoutMs);
    bool waitUntilIdle(int timeoutMs);
    int loadCount();
    void close();

private:
    using Lock = std::unique_lock<std::mutex>;

    void run();
    void freeRetired(Lock& lock);
    void loadAndStart(Lock& lock);
    void startLoaded(const SongRequest& request, Mix_Music* music);
    bool pendingFor(std::uint64_t owner) const;
    void retireCurrent();
    void stopWorker();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread worker_;
    bool quitting_ = false;
    std::uint64_t nextOwner_ = 1;
    std::uint64_t nextGeneration_ = 1;
    // The start asked for last and still wanted; 0 when none is. A control that goes away
    // before its song has loaded clears it, so the loaded song is then thrown away.
    std::uint64_t wanted_ = 0;
    std::uint64_t wantedOwner_ = 0;
    std::string wantedPath_;
    std::optional<SongRequest> queued_;
    std::uint64_t loading_ = 0;
    Mix_Music* current_ = nullptr;
    std::uint64_t currentOwner_ = 0;
    std::uint64_t currentGeneration_ = 0;
    std::vector<Mix_Music*> retired_; // halted songs the worker frees
    int loads_ = 0;
};

Sequencer sequencer;

Sequencer::~Sequencer() { stopWorker(); }

std::uint64_t Sequencer::newOwner()
{
    Lock lock(mutex_);
    return nextOwner_++;
}

void Sequencer::start(std::uint64_t owner, std::string path)
{
    Lock lock(mutex_);
    // "Play" followed at once by "prev": the song has not started yet, so it will begin at
    // the top anyway; loading it a second time would only delay it.
    if (pendingFor(owner) && wantedPath_ == path)
        return;
    wanted_ = nextGeneration_++;
    wantedOwner_ = owner;
    wantedPath_ = path;
    queued_ = SongRequest{owner, wanted_, std::move(path)};
    if (!worker_.joinable())
        worker_ = std::thread(&Sequencer::run, this);
    changed_.notify_all();
}

void Sequencer::stop(std::uint64_t owner)
{
    Lock lock(mutex_);
    if (wantedOwner_ == owner) {
        wanted_ = 0;
        wantedOwner_ = 0;
        if (queued_ && queued_->owner == owner)
            queued_.reset();
    }
    if (currentOwner_ == owner)
        retireCurrent();
    changed_.notify_all();
}

bool Sequencer::playing(std::uint64_t owner)
{
    Lock lock(mutex_);
    const bool sounding = current_ && currentOwner_ == owner && Mix_PlayingMusic();
    return sounding || pendingFor(owner);
}

bool Sequencer::waitUntilSettled(std::uint64_t owner, int timeoutMs)
{
    Lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return !pendingFor(owner); });
}

bool Sequencer::waitUntilIdle(int timeoutMs)
{
    Lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return !queued_ && loading_ == 0 && retired_.empty();
    });
}

int Sequencer::loadCount()
{
    Lock lock(mutex_);
    return loads_;
}

void Sequencer::close()
{
    stopWorker();
    Lock lock(mutex_);
    retireCurrent();
    for (Mix_Music* music : retired_)
        Mix_FreeMusic(music);
    retired_.clear();
    quitting_ = false;
}

void Sequencer::stopWorker()
{
    {
        Lock lock(mutex_);
        quitting_ = true;
        wanted_ = 0;
        wantedOwner_ = 0;
        queued_.reset();
        changed_.notify_all();
    }
    if (worker_.joinable())
        worker_.join();
}

void Sequencer::run()
{
    Lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return quitting_ || queued_ || !retired_.empty(); });
        if (quitting_)
            return;
        if (!retired_.empty())
            freeRetired(lock);
        else
            loadAndStart(lock);
        changed_.notify_all();
    }
}

void Sequencer::freeRetired(Lock& lock)
{
    std::vector<Mix_Music*> songs;
    songs.swap(retired_);
    lock.unlock();
    for (Mix_Music* music : songs)
        Mix_FreeMusic(music);
    lock.lock();
}

void Sequencer::loadAndStart(Lock& lock)
{
    SongRequest request = std::move(*queued_);
    queued_.reset();
    loading_ = request.generation;
    ++loads_;
    lock.unlock();
    Mix_Music* music = Mix_LoadMUS(request.path.c_str());
    lock.lock();
    loading_ = 0;
    startLoaded(request, music);
}

void Sequencer::startLoaded(const SongRequest& request, Mix_Music* music)
{
    const bool stillWanted = request.generation == wanted_ && !quitting_;
    if (!stillWanted) {
        if (music)
            retired_.push_back(music);
        return;
    }
    retireCurrent();
    if (music && Mix_PlayMusic(music, PlayOnce) == 0) {
        current_ = music;
        currentOwner_ = request.owner;
        currentGeneration_ = request.generation;
        return;
    }
    // A song that cannot be read or played leaves the game silent.
    if (music)
        retired_.push_back(music);
    wanted_ = 0;
    wantedOwner_ = 0;
}

bool Sequencer::pendingFor(std::uint64_t owner) const
{
    return wanted_ != 0 && wantedOwner_ == owner && wanted_ != currentGeneration_;
}

void Sequencer::retireCurrent()
{
    if (!current_)
        return;
    Mix_HaltMusic();
    retired_.push_back(current_);
    current_ = nullptr;
    currentOwner_ = 0;
    currentGeneration_ = 0;
}

bool isCommand(const QString& command, const char* name)
{
    return command.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}
} // namespace

MusicControl::MusicControl() : id_(sequencer.newOwner()) {}

MusicControl::~MusicControl() { sequencer.stop(id_); }

void MusicControl::setCommand(const QString& command)
{
    if (isCommand(command, "Open")) {
        openedFile_ = fileName_;
        opened_ = true;
    } else if (isCommand(command, "Play") || isCommand(command, "prev")) {
        start();
    } else if (isCommand(command, "Stop")) {
        sequencer.stop(id_);
    } else if (isCommand(command, "Close")) {
        sequencer.stop(id_);
        opened_ = false;
    }
}

void MusicControl::start()
{
    if (!opened_ || !Audio::isOpen())
        return;
    const QString file = Audio::localPath(openedFile_);
    // Checked here, so that a missing soundfont costs nothing and FluidSynth has nothing
    // to complain about on the terminal.
    if (!QFileInfo(file).isFile() || !QFileInfo(Audio::soundFontPath()).isFile()) {
        sequencer.stop(id_);
        return;
    }
    sequencer.start(id_, QFile::encodeName(file).toStdString());
}

bool MusicControl::playing() const { return sequencer.playing(id_); }

bool MusicControl::waitUntilLoaded(int timeoutMs) const
{
    return sequencer.waitUntilSettled(id_, timeoutMs);
}

bool MusicControl::waitUntilIdle(int timeoutMs) { return sequencer.waitUntilIdle(timeoutMs); }

int MusicControl::songLoadCount() { return sequencer.loadCount(); }

void MusicControl::closeSequencer() { sequencer.close(); }
