// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game's pictures, stored in the program: the bomb sheet (64 x 32: the bomb, then its
// explosion), the bug sheet (200 x 109: the bug, then the exploding bug), and the icons.

#include <QIcon>
#include <QImage>

namespace SpriteSheets {
// The sheets drawn at scale device pixels per sheet pixel (1 for 64 x 32, 2 for 128 x 64,
// 1.25 for 80 x 40).
QImage bombs(qreal scale);
QImage bug(qreal scale);
// The top ten window's icon and the application's icon.
QIcon topTenIcon();
QIcon applicationIcon();
} // namespace SpriteSheets
