// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The synthesizer the songs are played with, its soundfont loaded: the one large thing
// music costs. The music keeps at most one, and lets it go when no song plays.

#include <fluidsynth.h>

#include <cstdint>
#include <memory>
#include <string>

class Synth {
public:
    // Null when the synthesizer cannot be made or the soundfont cannot be read.
    static std::unique_ptr<Synth> load(const std::string& soundFont, double sampleRate);

    ~Synth();
    Synth(const Synth&) = delete;
    Synth& operator=(const Synth&) = delete;

    fluid_synth_t* get() const { return synth_; }

    // Renders stereo frames at the synthesizer's rate.
    void render(int frames, std::int16_t* stereo);

private:
    explicit Synth(double sampleRate);

    fluid_settings_t* settings_;
    fluid_synth_t* synth_ = nullptr;
};
