// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a bomb is put at random: the ranges of Top and Left for each kind of bomb, in twips.
// The level's setup and the tick (for a bomb that crossed the field) place bombs with the
// same rules; each takes a fresh random number r in [0, 1) and the window's outer width.

namespace BombRanges {

// The playfield's right end for the bombs: the window's outer width less a margin.
float rightEnd(float windowWidth);

// A still bomb: Top 0 to 3999, Left 0 to the right end less one.
float stillTop(float r);
float stillLeft(float windowWidth, float r);
// A left or a right bomb: Top 0 to 5999.
float movingTop(float r);
// A left bomb enters at Left 0 to 1499, a right bomb at 6750 to the right end.
float leftBombLeft(float r);
float rightBombLeft(float windowWidth, float r);

} // namespace BombRanges
