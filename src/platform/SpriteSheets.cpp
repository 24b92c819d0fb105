#include "platform/SpriteSheets.h"

// Placeholder until the artwork lands: plain grey sheets.
namespace SpriteSheets {
QImage bombs(int scale)
{
    QImage image(64 * scale, 32 * scale, QImage::Format_RGB32);
    image.fill(QColor(192, 192, 192));
    return image;
}
QImage bug(int scale)
{
    QImage image(200 * scale, 109 * scale, QImage::Format_RGB32);
    image.fill(QColor(192, 192, 192));
    return image;
}
QIcon topTenIcon() { return {}; }
QIcon applicationIcon() { return {}; }
}
