// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SpriteSheets.h"

#include <QPainter>
#include <QSvgRenderer>

#include <array>

// The pictures live in the library's resources; a static library only keeps the compiled
// resource data when something refers to it, so every entry point registers it first
// (registering again is harmless: Qt keeps one copy).
static void registerArtwork()
{
    Q_INIT_RESOURCE(crawlix);
}

namespace {

// The grey of a button face: the game window's own background, so sprites blend into it.
const QColor ButtonFace(192, 192, 192);

constexpr QSize BombSheetSize(64, 32);
constexpr QSize BugSheetSize(200, 109);

const QString BombSheetFile = QStringLiteral(":/sprites/bombs.svg");
const QString BugSheetFile = QStringLiteral(":/sprites/bug.svg");
const QString TopTenIconFile = QStringLiteral(":/icons/topten.png");

constexpr std::array ApplicationIconSizes{16, 32, 48, 64, 128, 256};

// Draws a sheet at scale device pixels per sheet pixel on the plain grey background. The
// background is filled first, so anything the drawing leaves untouched is exactly grey.
QImage renderSheet(const QString& file, QSize sheetSize, qreal scale)
{
    registerArtwork();
    QImage image(sheetSize * qMax(qreal(1), scale), QImage::Format_RGB32);
    image.fill(ButtonFace);
    QSvgRenderer renderer(file);
    if (renderer.isValid()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    }
    return image;
}

} // namespace

namespace SpriteSheets {

QImage bombs(qreal scale)
{
    return renderSheet(BombSheetFile, BombSheetSize, scale);
}

QImage bug(qreal scale)
{
    return renderSheet(BugSheetFile, BugSheetSize, scale);
}

QIcon topTenIcon()
{
    registerArtwork();
    return QIcon(TopTenIconFile);
}

QIcon applicationIcon()
{
    registerArtwork();
    QIcon icon;
    // One set of pictures, each read only when the desktop asks for its size; the drawn
    // (SVG) icon is for installing, where the desktop scales it itself.
    for (const int size : ApplicationIconSizes)
        icon.addFile(QStringLiteral(":/icons/crawlix-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace SpriteSheets
