#pragma once
// The sound libraries (SDL, SDL_mixer and FluidSynth) with the few functions the game
// calls. They are loaded when the audio first opens, not when the program starts, so the
// title screen never waits for them and their dependencies.

#include <SDL.h>
#include <SDL_mixer.h>
#include <fluidsynth.h>

struct SoundLibrary {
    decltype(&::SDL_SetHint) SDL_SetHint = nullptr;
    decltype(&::SDL_InitSubSystem) SDL_InitSubSystem = nullptr;
    decltype(&::SDL_QuitSubSystem) SDL_QuitSubSystem = nullptr;

    decltype(&::Mix_OpenAudio) Mix_OpenAudio = nullptr;
    decltype(&::Mix_CloseAudio) Mix_CloseAudio = nullptr;
    decltype(&::Mix_QuerySpec) Mix_QuerySpec = nullptr;
    decltype(&::Mix_AllocateChannels) Mix_AllocateChannels = nullptr;
    decltype(&::Mix_Volume) Mix_Volume = nullptr;
    decltype(&::Mix_LoadWAV) Mix_LoadWAV = nullptr;
    decltype(&::Mix_FreeChunk) Mix_FreeChunk = nullptr;
    decltype(&::Mix_PlayChannel) Mix_PlayChannel = nullptr;
    decltype(&::Mix_HaltChannel) Mix_HaltChannel = nullptr;
    decltype(&::Mix_HookMusic) Mix_HookMusic = nullptr;

    decltype(&::new_fluid_settings) new_fluid_settings = nullptr;
    decltype(&::delete_fluid_settings) delete_fluid_settings = nullptr;
    decltype(&::fluid_settings_setnum) fluid_settings_setnum = nullptr;
    decltype(&::fluid_settings_setint) fluid_settings_setint = nullptr;
    decltype(&::new_fluid_synth) new_fluid_synth = nullptr;
    decltype(&::delete_fluid_synth) delete_fluid_synth = nullptr;
    decltype(&::fluid_synth_sfload) fluid_synth_sfload = nullptr;
    decltype(&::fluid_synth_set_interp_method) fluid_synth_set_interp_method = nullptr;
    decltype(&::fluid_synth_write_s16) fluid_synth_write_s16 = nullptr;
    decltype(&::fluid_synth_get_active_voice_count) fluid_synth_get_active_voice_count = nullptr;
    decltype(&::new_fluid_player) new_fluid_player = nullptr;
    decltype(&::delete_fluid_player) delete_fluid_player = nullptr;
    decltype(&::fluid_player_add_mem) fluid_player_add_mem = nullptr;
    decltype(&::fluid_player_play) fluid_player_play = nullptr;
    decltype(&::fluid_player_get_status) fluid_player_get_status = nullptr;

    // Loads the libraries once and for the rest of the run; false (and nothing usable)
    // when one of them or one of the functions is missing.
    static bool load();
};

// The loaded functions; only to be called once load() has said true.
const SoundLibrary& sound();
