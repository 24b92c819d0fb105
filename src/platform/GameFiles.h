// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the game's own files lie. In a build everything is beside the program. An installed
// game keeps its sounds, songs and soundfont in its data folder and its sound module in its
// library folder, both set when the build was configured, relative to the program's folder,
// so that an installed prefix may be moved whole.

#include <QString>

namespace GameFiles {
// The sound, song or soundfont called name: beside the program when it lies there, else in
// the data folder; when it is in neither, the place beside the program.
QString dataFile(const QString& name);
// The sound module called name: beside the program, else in the library folder.
QString libraryFile(const QString& name);
// The data folder of the running program.
QString dataFolder();
} // namespace GameFiles
