// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the program sees to before any window exists: its command line (--help, --version,
// and Qt's own options, left to Qt) and a display to open, X first on a Wayland desktop
// that offers X too. Neither needs a display itself.

#include <optional>

namespace CommandLine {

// The exit status when the program ends here (help or version shown, an unknown option,
// no display), or nothing when the game should start.
std::optional<int> handle(int argc, char* argv[]);

} // namespace CommandLine
