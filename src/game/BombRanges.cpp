// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/BombRanges.h"

#include <cmath>

namespace {
constexpr double RightMargin = 500.0;
constexpr double StillTopRange = 4000.0;
constexpr double MovingTopRange = 6000.0;
constexpr double LeftBombLeftRange = 1500.0;
constexpr double RightBombLowestLeft = 6750.0;

// The products are formed in double precision and floored; positions are kept as floats.
float floorOf(double value) { return float(std::floor(value)); }
} // namespace

namespace BombRanges {

float rightEnd(float windowWidth) { return float(double(windowWidth) - RightMargin); }

float stillTop(float r) { return floorOf(double(r) * StillTopRange); }

float stillLeft(float windowWidth, float r)
{
    return floorOf((double(windowWidth) - RightMargin) * double(r));
}

float movingTop(float r) { return floorOf(double(r) * MovingTopRange); }

float leftBombLeft(float r) { return floorOf(double(r) * LeftBombLeftRange); }

float rightBombLeft(float windowWidth, float r)
{
    const double range = double(windowWidth) - RightMargin - RightBombLowestLeft + 1.0;
    return floorOf(range * double(r) + RightBombLowestLeft);
}

} // namespace BombRanges
