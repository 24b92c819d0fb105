#include "platform/MusicControl.h"

#include "platform/PlayASound.h"
#include "platform/SoundLibrary.h"
#include "platform/Synth.h"

#include <QFile>
#include <QFileInfo>
#include <malloc.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {
// The soundfont's samples are recorded at 22 kHz or less: the synthesizer renders at half
// the device's rate, with straight-line interpolation, and every frame is sent out twice.
constexpr int Upsampling = 2;
constexpr int DeviceChannelsStereo = 2;
// The synthesizer renders about a fifth of a second at a time, every few buffers of the
// device: woken less often, it costs a good deal less than rendering each buffer afresh.
constexpr int RenderFrames = 4096;

struct SongRequest {
    std::uint64_t owner = 0;
    std::uint64_t generation = 0;
    std::string path;
    std::string soundFont;
};

struct Song {
    fluid_player_t* player = nullptr;
    std::uint64_t owner = 0;
    std::uint64_t generation = 0;
    bool ended = false;
};

// The process's one MIDI sequencer. Songs play one at a time, so every music control
// shares it and the newest start wins. One synthesizer with the soundfont loaded serves
// every song; it is loaded on a worker thread when a song starts (the window never waits
// for it) and let go as soon as no song plays or is about to, so silence costs nothing.
// The mixer's music hook pulls the song from the synthesizer on the audio thread.
class Sequencer {
public:
    std::uint64_t newOwner();
    void start(std::uint64_t owner, std::string path, std::string soundFont);
    void stop(std::uint64_t owner);
    bool playing(std::uint64_t owner);
    bool sounding();
    bool synthLoaded();
    bool waitUntilSettled(std::uint64_t owner, int timeoutMs);
    bool waitUntilIdle(int timeoutMs);
    int loadCount();
    void setLoadGate(std::function<void()> gate);
    void attach(int deviceRate, int deviceChannels);
    void close();

private:
    using Lock = std::unique_lock<std::mutex>;

    static void mixHook(void* self, Uint8* stream, int bytes);
    void mix(qint16* out, int frames);
    void advance();
    void run(std::uint64_t epoch);
    bool hasWork() const;
    void loadAndStart(Lock& lock, std::uint64_t epoch);
    bool startLoaded(const SongRequest& request, const QByteArray& midi);
    void releaseIdle(Lock& lock);
    void deleteRetired();
    bool pendingFor(std::uint64_t owner) const;
    void retireCurrent();

    std::mutex mutex_;
    std::function<void()> loadGate_;
    std::condition_variable changed_;
    bool workerRunning_ = false;
    // Bumped by close: a worker of an earlier epoch, still busy loading, throws away what
    // it loaded and ends by itself; nobody waits for it.
    std::uint64_t epoch_ = 1;
    int workersBusy_ = 0;
    std::uint64_t nextOwner_ = 1;
    std::uint64_t nextGeneration_ = 1;
    // The start asked for last and still wanted; 0 when none is. A control that goes away
    // before its song has loaded clears it, so the loaded song is then thrown away.
    std::uint64_t wanted_ = 0;
    std::uint64_t wantedOwner_ = 0;
    std::string wantedPath_;
    std::optional<SongRequest> queued_;
    std::uint64_t loading_ = 0;
    std::unique_ptr<Synth> synth_;
    Song current_;
    std::vector<fluid_player_t*> retired_;
    int loads_ = 0;
    int synthRate_ = 0;
    int deviceChannels_ = DeviceChannelsStereo;
    // The upsampler: frames rendered ahead, the next one to send, the two it is between,
    // and how far it has come from the earlier to the later.
    std::array<qint16, 2 * RenderFrames> rendered_{};
    int nextRendered_ = 0;
    int renderedCount_ = 0;
    std::array<int, 2> earlier_{};
    std::array<int, 2> later_{};
    int step_ = 0;
};

// Never destroyed: a worker still reading a soundfont when the program ends may outlive
// every static object.
Sequencer& sequencer = *new Sequencer;

std::uint64_t Sequencer::newOwner()
{
    Lock lock(mutex_);
    return nextOwner_++;
}

void Sequencer::start(std::uint64_t owner, std::string path, std::string soundFont)
{
    Lock lock(mutex_);
    // "Play" followed at once by "prev": the song has not started yet, so it will begin at
    // the top anyway; loading it a second time would only delay it.
    if (pendingFor(owner) && wantedPath_ == path)
        return;
    wanted_ = nextGeneration_++;
    wantedOwner_ = owner;
    wantedPath_ = path;
    queued_ = SongRequest{owner, wanted_, std::move(path), std::move(soundFont)};
    if (!workerRunning_) {
        workerRunning_ = true;
        ++workersBusy_;
        std::thread(&Sequencer::run, this, epoch_).detach();
    }
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
    if (current_.owner == owner)
        retireCurrent();
    changed_.notify_all();
}

bool Sequencer::playing(std::uint64_t owner)
{
    Lock lock(mutex_);
    const bool sounding = current_.player && current_.owner == owner && !current_.ended;
    return sounding || pendingFor(owner);
}

bool Sequencer::sounding()
{
    Lock lock(mutex_);
    return current_.player && !current_.ended;
}

bool Sequencer::synthLoaded()
{
    Lock lock(mutex_);
    return synth_ != nullptr;
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
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return !hasWork() && loading_ == 0 && workersBusy_ <= int(workerRunning_); });
}

int Sequencer::loadCount()
{
    Lock lock(mutex_);
    return loads_;
}

void Sequencer::setLoadGate(std::function<void()> gate)
{
    Lock lock(mutex_);
    loadGate_ = std::move(gate);
}

void Sequencer::attach(int deviceRate, int deviceChannels)
{
    {
        Lock lock(mutex_);
        synthRate_ = deviceRate / Upsampling;
        deviceChannels_ = deviceChannels;
    }
    sound().Mix_HookMusic(&Sequencer::mixHook, this);
}

// The worker is not waited for: the program ends at once, even in the middle of a load.
void Sequencer::close()
{
    sound().Mix_HookMusic(nullptr, nullptr);
    Lock lock(mutex_);
    ++epoch_;
    workerRunning_ = false;
    wanted_ = 0;
    wantedOwner_ = 0;
    queued_.reset();
    retireCurrent();
    deleteRetired();
    synth_.reset();
    changed_.notify_all();
}

void Sequencer::mixHook(void* self, Uint8* stream, int bytes)
{
    auto* sequencer = static_cast<Sequencer*>(self);
    const int frameBytes = int(sizeof(qint16)) * std::max(1, sequencer->deviceChannels_);
    sequencer->mix(reinterpret_cast<qint16*>(stream), bytes / frameBytes);
}

// On the audio thread: the song's next frames, or silence.
void Sequencer::mix(qint16* out, int frames)
{
    const int channels = std::max(1, deviceChannels_);
    Lock lock(mutex_);
    if (!current_.player || current_.ended || !synth_) {
        std::memset(out, 0, size_t(frames) * size_t(channels) * sizeof(qint16));
        return;
    }
    for (int done = 0; done < frames; ++done) {
        if (step_ == 0)
            advance();
        ++step_;
        qint16* frame = out + size_t(done) * size_t(channels);
        for (int c = 0; c < channels; ++c) {
            const size_t side = size_t(std::min(c, 1));
            const int value = earlier_[side] + (later_[side] - earlier_[side]) * step_ / Upsampling;
            frame[c] = c < DeviceChannelsStereo ? qint16(value) : 0;
        }
        if (step_ == Upsampling)
            step_ = 0;
    }
    const bool finished = sound().fluid_player_get_status(current_.player) == FLUID_PLAYER_DONE &&
                          sound().fluid_synth_get_active_voice_count(synth_->get()) == 0;
    if (finished) {
        current_.ended = true;
        changed_.notify_all();
    }
}

// The upsampler moves on to the next rendered frame, rendering more when all are sent.
void Sequencer::advance()
{
    if (nextRendered_ == renderedCount_) {
        synth_->render(RenderFrames, rendered_.data());
        nextRendered_ = 0;
        renderedCount_ = RenderFrames;
    }
    earlier_ = later_;
    later_ = {rendered_[size_t(2 * nextRendered_)], rendered_[size_t(2 * nextRendered_ + 1)]};
    ++nextRendered_;
}

void Sequencer::run(std::uint64_t epoch)
{
    Lock lock(mutex_);
    while (epoch == epoch_) {
        changed_.wait(lock, [&] { return epoch != epoch_ || hasWork(); });
        if (epoch != epoch_)
            break;
        if (queued_)
            loadAndStart(lock, epoch);
        else
            releaseIdle(lock);
        changed_.notify_all();
    }
    --workersBusy_;
    changed_.notify_all();
}

bool Sequencer::hasWork() const
{
    const bool songOver = current_.player && current_.ended;
    const bool synthIdle = synth_ && !current_.player && wanted_ == 0;
    return queued_ || !retired_.empty() || songOver || synthIdle;
}

void Sequencer::loadAndStart(Lock& lock, std::uint64_t epoch)
{
    SongRequest request = std::move(*queued_);
    queued_.reset();
    loading_ = request.generation;
    ++loads_;
    // Every song starts on a synthesizer of its own, so it sounds exactly as it did the
    // last time it started. The song it replaces goes off the air now, and its synthesizer
    // goes before the new one is loaded: there is never more than one.
    retireCurrent();
    deleteRetired();
    std::unique_ptr<Synth> synth = std::move(synth_);
    const std::function<void()> gate = loadGate_;
    lock.unlock();
    synth.reset();
    if (gate)
        gate();
    synth = Synth::load(request.soundFont, synthRate_);
    QByteArray midi;
    if (QFile file(QString::fromStdString(request.path)); file.open(QIODevice::ReadOnly))
        midi = file.readAll();
    lock.lock();
    loading_ = 0;
    if (epoch != epoch_)
        return; // the audio closed meanwhile; what was loaded goes with this scope
    if (request.generation == wanted_) {
        std::swap(synth, synth_); // none at all when the soundfont could not be read
        if (!startLoaded(request, midi)) {
            // A song that cannot be read or played leaves the game silent.
            wanted_ = 0;
            wantedOwner_ = 0;
        }
    }
    lock.unlock();
    synth.reset(); // loaded for a song no longer wanted
    lock.lock();
}

bool Sequencer::startLoaded(const SongRequest& request, const QByteArray& midi)
{
    if (!synth_ || midi.isEmpty())
        return false;
    fluid_player_t* player = sound().new_fluid_player(synth_->get());
    if (!player)
        return false;
    if (sound().fluid_player_add_mem(player, midi.constData(), size_t(midi.size())) != FLUID_OK ||
        sound().fluid_player_play(player) != FLUID_OK) {
        sound().delete_fluid_player(player);
        return false;
    }
    current_ = Song{player, request.owner, request.generation, false};
    nextRendered_ = 0;
    renderedCount_ = 0;
    earlier_ = {};
    later_ = {};
    step_ = 0;
    return true;
}

// A song that ended or was stopped, and nothing else about to play: the players and the
// synthesizer go, and the memory they held goes back to the system.
void Sequencer::releaseIdle(Lock& lock)
{
    if (current_.player && current_.ended)
        retireCurrent();
    deleteRetired();
    if (synth_ && !current_.player && wanted_ == 0) {
        std::unique_ptr<Synth> idle = std::move(synth_);
        lock.unlock();
        idle.reset();
        malloc_trim(0);
        lock.lock();
    }
}

void Sequencer::deleteRetired()
{
    for (fluid_player_t* player : retired_)
        sound().delete_fluid_player(player);
    retired_.clear();
}

bool Sequencer::pendingFor(std::uint64_t owner) const
{
    return wanted_ != 0 && wantedOwner_ == owner && wanted_ != current_.generation;
}

// Takes the song off the air at once; its player is deleted by the worker.
void Sequencer::retireCurrent()
{
    if (!current_.player)
        return;
    if (wanted_ == current_.generation) {
        wanted_ = 0;
        wantedOwner_ = 0;
    }
    retired_.push_back(current_.player);
    current_ = Song{};
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
    // Checked here, so that a missing song or soundfont costs nothing and the
    // synthesizer has nothing to complain about on the terminal.
    const QString soundFont = Audio::soundFontPath(file);
    if (!QFileInfo(file).isFile() || !QFileInfo::exists(soundFont)) {
        sequencer.stop(id_);
        return;
    }
    sequencer.start(id_, QFile::encodeName(file).toStdString(),
                    QFile::encodeName(soundFont).toStdString());
}

bool MusicControl::playing() const { return sequencer.playing(id_); }

bool MusicControl::waitUntilLoaded(int timeoutMs) const
{
    return sequencer.waitUntilSettled(id_, timeoutMs);
}

bool MusicControl::waitUntilIdle(int timeoutMs) { return sequencer.waitUntilIdle(timeoutMs); }

int MusicControl::songLoadCount() { return sequencer.loadCount(); }

void MusicControl::setLoadGate(std::function<void()> gate) { sequencer.setLoadGate(std::move(gate)); }

bool MusicControl::songSounding() { return sequencer.sounding(); }

bool MusicControl::synthesizerLoaded() { return sequencer.synthLoaded(); }

void MusicControl::attachSequencer(int deviceRate, int deviceChannels)
{
    sequencer.attach(deviceRate, deviceChannels);
}

void MusicControl::closeSequencer() { sequencer.close(); }
