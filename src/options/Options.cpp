#include "options/Options.h"

#include <array>

// Placeholder until the options land.
namespace {
const std::array<Song, 5> Songs = {{
    {"ESM", "Enter Sandman", "esm.mid"},
    {"Horse", "The Four Horsemen", "horsemen.mid"},
    {"One", "One", "one.mid"},
    {"Orion", "Orion", "orion.mid"},
    {"Seek", "Seek And Destroy", "seek.mid"},
}};
}

const Song& SongInfo(int number) { return Songs.at(size_t(number - 1)); }
void LoadOptions() {}
void StartMusic(MusicControl&) {}
