// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A song ready to be heard: its MIDI file read into a player, on a synthesizer of its own,
// so it sounds exactly as it did the last time it started. The mixer's music hook pulls it
// on the audio thread; everything else is done on other threads before or after that.

#include "sound/Synth.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class Song {
public:
    // Null when the song, the soundfont or the synthesizer cannot be had.
    static std::unique_ptr<Song> load(const std::string& file, const std::string& soundFont,
                                      int deviceRate, int deviceChannels);
    ~Song();
    Song(const Song&) = delete;
    Song& operator=(const Song&) = delete;

    // The mixer's music hook: the song's next frames, or silence once it has ended.
    static void mixHook(void* song, std::uint8_t* stream, int bytes);
    // Set on the audio thread once the last note has died away.
    bool ended() const { return ended_.load(); }

private:
    Song(std::unique_ptr<Synth> synth, fluid_player_t* player, int deviceChannels);
    void mix(std::int16_t* out, int frames);
    void advance();

    // The synthesizer renders about a fifth of a second at a time, every few buffers of
    // the device: woken less often, it costs a good deal less than rendering each buffer.
    static constexpr int RenderFrames = 4096;

    std::unique_ptr<Synth> synth_;
    fluid_player_t* player_;
    int deviceChannels_;
    std::atomic<bool> ended_{false};
    // The upsampler: frames rendered ahead, the next one to send, the two it is between,
    // and how far it has come from the earlier to the later.
    std::array<std::int16_t, 2 * RenderFrames> rendered_{};
    int nextRendered_ = 0;
    int renderedCount_ = 0;
    std::array<int, 2> earlier_{};
    std::array<int, 2> later_{};
    int step_ = 0;
};
