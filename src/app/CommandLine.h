// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the program sees to before any window exists: its command line (--help, --version,
// --replay, --verify, and Qt's own options, left to Qt) and a display to open, X first on a
// Wayland desktop that offers X too. Neither needs a display itself.

#include "replay/Replay.h"

#include <QString>

#include <optional>

namespace CommandLine {

// What the command line asks the program to do.
struct Start {
    enum class What { End, Title, Watch, Verify };
    What what = What::Title;
    int status = 0;               // End: the exit status (help or version shown, a refusal)
    QString verifyFile;           // Verify: the one FILE, or empty for the whole list
    std::optional<Replay> replay; // Watch: the game to watch
};

Start handle(int argc, char* argv[]);

} // namespace CommandLine
