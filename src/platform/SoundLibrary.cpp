#include "platform/SoundLibrary.h"

#include <dlfcn.h>

#include <array>

namespace {
constexpr std::array LibraryFiles{"libSDL2-2.0.so.0", "libSDL2_mixer-2.0.so.0", "libfluidsynth.so.3"};

SoundLibrary library;
bool loaded = false;

// Looks a function up in the handles opened so far and stores it in its slot.
template <typename Function>
bool resolve(const std::array<void*, LibraryFiles.size()>& handles, const char* name, Function& slot)
{
    for (void* handle : handles) {
        if (void* symbol = dlsym(handle, name)) {
            slot = reinterpret_cast<Function>(symbol);
            return true;
        }
    }
    return false;
}
} // namespace

bool SoundLibrary::load()
{
    if (loaded)
        return true;
    std::array<void*, LibraryFiles.size()> handles{};
    for (size_t i = 0; i < LibraryFiles.size(); ++i) {
        // Never closed: the libraries stay for the run once the sound has been heard.
        handles[i] = dlopen(LibraryFiles[i], RTLD_NOW | RTLD_LOCAL);
        if (!handles[i])
            return false;
    }
    SoundLibrary found;
    const bool complete =
        resolve(handles, "SDL_SetHint", found.SDL_SetHint) &&
        resolve(handles, "SDL_InitSubSystem", found.SDL_InitSubSystem) &&
        resolve(handles, "SDL_QuitSubSystem", found.SDL_QuitSubSystem) &&
        resolve(handles, "Mix_OpenAudio", found.Mix_OpenAudio) &&
        resolve(handles, "Mix_CloseAudio", found.Mix_CloseAudio) &&
        resolve(handles, "Mix_QuerySpec", found.Mix_QuerySpec) &&
        resolve(handles, "Mix_AllocateChannels", found.Mix_AllocateChannels) &&
        resolve(handles, "Mix_Volume", found.Mix_Volume) &&
        resolve(handles, "Mix_LoadWAV", found.Mix_LoadWAV) &&
        resolve(handles, "Mix_FreeChunk", found.Mix_FreeChunk) &&
        resolve(handles, "Mix_PlayChannel", found.Mix_PlayChannel) &&
        resolve(handles, "Mix_HaltChannel", found.Mix_HaltChannel) &&
        resolve(handles, "Mix_HookMusic", found.Mix_HookMusic) &&
        resolve(handles, "new_fluid_settings", found.new_fluid_settings) &&
        resolve(handles, "delete_fluid_settings", found.delete_fluid_settings) &&
        resolve(handles, "fluid_settings_setnum", found.fluid_settings_setnum) &&
        resolve(handles, "fluid_settings_setint", found.fluid_settings_setint) &&
        resolve(handles, "new_fluid_synth", found.new_fluid_synth) &&
        resolve(handles, "delete_fluid_synth", found.delete_fluid_synth) &&
        resolve(handles, "fluid_synth_sfload", found.fluid_synth_sfload) &&
        resolve(handles, "fluid_synth_set_interp_method", found.fluid_synth_set_interp_method) &&
        resolve(handles, "fluid_synth_write_s16", found.fluid_synth_write_s16) &&
        resolve(handles, "fluid_synth_get_active_voice_count", found.fluid_synth_get_active_voice_count) &&
        resolve(handles, "new_fluid_player", found.new_fluid_player) &&
        resolve(handles, "delete_fluid_player", found.delete_fluid_player) &&
        resolve(handles, "fluid_player_add_mem", found.fluid_player_add_mem) &&
        resolve(handles, "fluid_player_play", found.fluid_player_play) &&
        resolve(handles, "fluid_player_get_status", found.fluid_player_get_status);
    if (!complete)
        return false;
    library = found;
    loaded = true;
    return true;
}

const SoundLibrary& sound() { return library; }
