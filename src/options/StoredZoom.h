// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The zoom the player chose, kept in the hive from one run to the next, and the zoom a
// first start picks for the screen it finds.

#include <QSize>

#include <optional>

namespace StoredZoom {

// The stored zoom in percent; nothing when none is stored. A value the game never writes
// (no zoom step) reads as the designed size.
std::optional<int> read();
void write(int percent);

// The largest zoom step at which the game window, frame included, takes no more than its
// share of the available height (what it took on the screens it was made for) and fits
// within the available width; the designed size on a small screen.
int fitting(QSize availablePixels);

} // namespace StoredZoom
