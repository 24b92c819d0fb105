// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/Song.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {
// The soundfont's samples are recorded at 22 kHz or less: the synthesizer renders at half
// the device's rate, with straight-line interpolation, and every frame is sent out twice.
constexpr int Upsampling = 2;
constexpr int StereoChannels = 2;

std::vector<char> readFile(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
} // namespace

std::unique_ptr<Song> Song::load(const std::string& file, const std::string& soundFont,
                                 int deviceRate, int deviceChannels)
{
    std::unique_ptr<Synth> synth = Synth::load(soundFont, deviceRate / Upsampling);
    const std::vector<char> midi = readFile(file);
    if (!synth || midi.empty())
        return nullptr;
    fluid_player_t* player = new_fluid_player(synth->get());
    if (!player)
        return nullptr;
    if (fluid_player_add_mem(player, midi.data(), midi.size()) != FLUID_OK ||
        fluid_player_play(player) != FLUID_OK) {
        delete_fluid_player(player);
        return nullptr;
    }
    return std::unique_ptr<Song>(new Song(std::move(synth), player, deviceChannels));
}

Song::Song(std::unique_ptr<Synth> synth, fluid_player_t* player, int deviceChannels)
    : synth_(std::move(synth)), player_(player), deviceChannels_(std::max(1, deviceChannels))
{
}

Song::~Song() { delete_fluid_player(player_); }

void Song::mixHook(void* song, std::uint8_t* stream, int bytes)
{
    auto* self = static_cast<Song*>(song);
    const int frameBytes = int(sizeof(std::int16_t)) * self->deviceChannels_;
    self->mix(reinterpret_cast<std::int16_t*>(stream), bytes / frameBytes);
}

void Song::mix(std::int16_t* out, int frames)
{
    const int channels = deviceChannels_;
    if (ended()) {
        std::memset(out, 0, size_t(frames) * size_t(channels) * sizeof(std::int16_t));
        return;
    }
    for (int done = 0; done < frames; ++done) {
        if (step_ == 0)
            advance();
        ++step_;
        std::int16_t* frame = out + size_t(done) * size_t(channels);
        for (int c = 0; c < channels; ++c) {
            const size_t side = size_t(std::min(c, 1));
            const int value = earlier_[side] + (later_[side] - earlier_[side]) * step_ / Upsampling;
            frame[c] = c < StereoChannels ? std::int16_t(value) : 0;
        }
        if (step_ == Upsampling)
            step_ = 0;
    }
    if (fluid_player_get_status(player_) == FLUID_PLAYER_DONE &&
        fluid_synth_get_active_voice_count(synth_->get()) == 0)
        ended_ = true;
}

// The upsampler moves on to the next rendered frame, rendering more when all are sent.
void Song::advance()
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
