// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A picture's box for the overlap test: its edges in whole twips.

#include <cstdint>

class PictureBox;

struct BoxRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// Left, Top, Left + Width and Top + Height, each rounded to a 32-bit whole number, halves
// to even. An edge too far out for 32 bits is an overflow, which ends the program.
BoxRect boxOf(const PictureBox& picture);

// True when the two boxes share area (touching edges do not count).
bool boxesOverlap(const BoxRect& first, const BoxRect& second);
