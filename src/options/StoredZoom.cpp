// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/StoredZoom.h"

#include "options/OptionNames.h"
#include "platform/Twips.h"
#include "shared/Declarations.h"

namespace {
// The game window's outer size as the game counts it (the client area and the nominal
// frame): 604 x 515 pixels at the designed size.
constexpr float GameWindowWidthTwips = 9060.0f;
constexpr float GameWindowHeightTwips = 7720.0f;
// The share of the screen's height the window may take: 515 of 768 was two-thirds, and a
// little less leaves a wide screen room for the desktop's panels.
constexpr double HeightShare = 0.61;
} // namespace

namespace StoredZoom {

std::optional<int> read()
{
    ReadRegValue(WindowKey, ZoomValue);
    const QString stored = RegObjValue();
    if (stored.isEmpty())
        return std::nullopt;
    bool number = false;
    const int percent = stored.toInt(&number);
    return number && Twips::isZoomStep(percent) ? percent : Twips::DesignZoom;
}

void write(int percent) { WriteRegValue(WindowKey, ZoomValue, int32_t(percent)); }

int fitting(QSize availablePixels)
{
    const double room = availablePixels.height() * HeightShare;
    for (int percent = Twips::LargestZoom; percent > Twips::DesignZoom; percent -= Twips::ZoomStep) {
        if (Twips::pixels(GameWindowHeightTwips, percent) <= room
            && Twips::pixels(GameWindowWidthTwips, percent) <= availablePixels.width())
            return percent;
    }
    return Twips::DesignZoom;
}

} // namespace StoredZoom
