#include "platform/XSurface.h"

#include <QGuiApplication>
#include <QImage>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {
// A PutImage request's fixed part, before the pixels.
constexpr size_t PutImageHeaderBytes = 24;
// Rectangles filled by one request, from a buffer on the stack.
constexpr size_t FillBatch = 32;
constexpr uint8_t BitsPerPixel = 32;
constexpr uint32_t RedMask = 0xff0000;
constexpr uint32_t GreenMask = 0x00ff00;
constexpr uint32_t BlueMask = 0x0000ff;

xcb_connection_t* xConnection()
{
    if (!qGuiApp || QGuiApplication::platformName() != QStringLiteral("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// Pixels of this depth are 32 bits, least significant byte first: a QImage's RGB32 as is.
bool storesLikeQImage(const xcb_setup_t* setup, uint8_t depth)
{
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return false;
    const xcb_format_t* format = xcb_setup_pixmap_formats(setup);
    const int count = xcb_setup_pixmap_formats_length(setup);
    for (int i = 0; i < count; ++i) {
        if (format[i].depth == depth)
            return format[i].bits_per_pixel == BitsPerPixel;
    }
    return false;
}

// A file can be passed only to a server on this machine, over a local socket.
bool reachedLocally(xcb_connection_t* connection)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    return getsockname(xcb_get_file_descriptor(connection),
                       reinterpret_cast<sockaddr*>(&address), &length)
        == 0
        && address.ss_family == AF_UNIX;
}

bool serverSharesPixmaps(xcb_connection_t* connection)
{
    // Whoever switches shared memory off for Qt's own drawing switches it off here too.
    if (qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        return false;
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection, &xcb_shm_id);
    if (!shm || !shm->present || !reachedLocally(connection))
        return false;
    xcb_shm_query_version_reply_t* version
        = xcb_shm_query_version_reply(connection, xcb_shm_query_version(connection), nullptr);
    // Version 1.2 takes the memory as a file; the pixmaps must be laid out as images are.
    const bool shares = version && version->shared_pixmaps
        && (version->major_version > 1
            || (version->major_version == 1 && version->minor_version >= 2))
        && version->pixmap_format == XCB_IMAGE_FORMAT_Z_PIXMAP;
    std::free(version);
    return shares;
}

bool visualIsRgb(const xcb_setup_t* setup, xcb_visualid_t visual)
{
    for (auto screen = xcb_setup_roots_iterator(setup); screen.rem; xcb_screen_next(&screen)) {
        for (auto depth = xcb_screen_allowed_depths_iterator(screen.data); depth.rem;
             xcb_depth_next(&depth)) {
            for (auto type = xcb_depth_visuals_iterator(depth.data); type.rem;
                 xcb_visualtype_next(&type)) {
                if (type.data->visual_id == visual)
                    return type.data->red_mask == RedMask && type.data->green_mask == GreenMask
                        && type.data->blue_mask == BlueMask;
            }
        }
    }
    return false;
}
} // namespace

std::unique_ptr<XSurface> XSurface::forWindowOf(QWidget* widget)
{
    xcb_connection_t* connection = xConnection();
    if (!connection || !widget)
        return nullptr;
    const auto window = uint32_t(widget->window()->winId());
    xcb_get_geometry_reply_t* geometry
        = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr);
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const bool usable = geometry && attributes && storesLikeQImage(setup, geometry->depth)
        && visualIsRgb(setup, attributes->visual);
    const uint8_t depth = geometry ? geometry->depth : 0;
    std::free(geometry);
    std::free(attributes);
    if (!usable)
        return nullptr;
    return std::unique_ptr<XSurface>(new XSurface(connection, window, depth));
}

XSurface::XSurface(xcb_connection_t* connection, uint32_t window, uint8_t depth)
    : connection_(connection)
    , window_(window)
    , depth_(depth)
    , gc_(xcb_generate_id(connection))
    , tileGc_(xcb_generate_id(connection))
    , maxRequestBytes_(size_t(xcb_get_maximum_request_length(connection)) * 4)
{
    // No exposure events for the copies: the pixmaps are always whole.
    const uint32_t noExposures = 0;
    xcb_create_gc(connection_, gc_, window_, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    const uint32_t tiled[] = {XCB_FILL_STYLE_TILED, 0};
    xcb_create_gc(connection_, tileGc_, window_, XCB_GC_FILL_STYLE | XCB_GC_GRAPHICS_EXPOSURES,
                  tiled);
}

XSurface::~XSurface()
{
    // The connection goes with the application; past it there is nothing left to free.
    if (xConnection() != connection_)
        return;
    xcb_free_gc(connection_, gc_);
    xcb_free_gc(connection_, tileGc_);
    xcb_flush(connection_);
}

uint32_t XSurface::makePixmap(QSize devicePixels)
{
    if (devicePixels.isEmpty())
        return 0;
    const uint32_t pixmap = xcb_generate_id(connection_);
    xcb_create_pixmap(connection_, depth_, pixmap, window_, uint16_t(devicePixels.width()),
                      uint16_t(devicePixels.height()));
    return pixmap;
}

void XSurface::release(uint32_t pixmap)
{
    if (pixmap == 0 || xConnection() != connection_)
        return;
    // A freed id may be handed out again: the tile is set anew for whatever bears it next.
    if (tile_ == pixmap)
        tile_ = 0;
    xcb_free_pixmap(connection_, pixmap);
}

void XSurface::upload(uint32_t pixmap, const QImage& image)
{
    const QImage pixels = image.format() == QImage::Format_RGB32
        ? image
        : image.convertToFormat(QImage::Format_RGB32);
    const auto rowBytes = size_t(pixels.bytesPerLine());
    // As many rows a request as the server takes.
    const int rowsPerRequest
        = std::max(1, int((maxRequestBytes_ - PutImageHeaderBytes) / rowBytes));
    for (int top = 0; top < pixels.height(); top += rowsPerRequest) {
        const int rows = std::min(rowsPerRequest, pixels.height() - top);
        xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc_,
                      uint16_t(pixels.width()), uint16_t(rows), 0, int16_t(top), 0, depth_,
                      uint32_t(rowBytes * size_t(rows)), pixels.constScanLine(top));
    }
}

void XSurface::copy(uint32_t pixmap, const QRect& from, QPoint to)
{
    xcb_copy_area(connection_, pixmap, window_, gc_, int16_t(from.x()), int16_t(from.y()),
                  int16_t(to.x()), int16_t(to.y()), uint16_t(from.width()),
                  uint16_t(from.height()));
}

void XSurface::fillFrom(uint32_t pixmap, QPoint origin, const QRect* rects, size_t count)
{
    if (pixmap != tile_ || origin != tileOrigin_) {
        tile_ = pixmap;
        tileOrigin_ = origin;
        const uint32_t values[] = {pixmap, uint32_t(int32_t(origin.x())),
                                   uint32_t(int32_t(origin.y()))};
        xcb_change_gc(connection_, tileGc_,
                      XCB_GC_TILE | XCB_GC_TILE_STIPPLE_ORIGIN_X | XCB_GC_TILE_STIPPLE_ORIGIN_Y,
                      values);
    }
    std::array<xcb_rectangle_t, FillBatch> batch;
    for (size_t first = 0; first < count; first += FillBatch) {
        const size_t n = std::min(FillBatch, count - first);
        for (size_t i = 0; i < n; ++i) {
            const QRect& r = rects[first + i];
            batch[i] = {int16_t(r.x()), int16_t(r.y()), uint16_t(r.width()),
                        uint16_t(r.height())};
        }
        xcb_poly_fill_rectangle(connection_, window_, tileGc_, uint32_t(n), batch.data());
    }
}

void XSurface::flush() { xcb_flush(connection_); }

XSurface::SharedPixels XSurface::makeShared(QSize devicePixels)
{
    if (!askedForSharing_) {
        askedForSharing_ = true;
        sharesPixmaps_ = serverSharesPixmaps(connection_);
    }
    SharedPixels shared;
    if (!sharesPixmaps_ || devicePixels.isEmpty())
        return shared;
    const size_t bytesPerLine = size_t(devicePixels.width()) * (BitsPerPixel / 8);
    const size_t bytes = bytesPerLine * size_t(devicePixels.height());
    const int file = memfd_create("crawlix-field", MFD_CLOEXEC);
    if (file < 0)
        return shared;
    void* bits = ftruncate(file, off_t(bytes)) == 0
        ? mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0)
        : MAP_FAILED;
    if (bits == MAP_FAILED) {
        close(file);
        return shared;
    }
    // The connection takes the file and closes it once sent. Both requests are checked, at
    // the cost of a round trip each when the field is shown: a pixmap that was never made
    // would turn every frame into an error.
    const uint32_t segment = xcb_generate_id(connection_);
    const uint32_t pixmap = xcb_generate_id(connection_);
    xcb_generic_error_t* error = xcb_request_check(
        connection_, xcb_shm_attach_fd_checked(connection_, segment, file, 0));
    if (!error) {
        error = xcb_request_check(
            connection_, xcb_shm_create_pixmap_checked(
                             connection_, pixmap, window_, uint16_t(devicePixels.width()),
                             uint16_t(devicePixels.height()), depth_, segment, 0));
        if (error)
            xcb_shm_detach(connection_, segment);
    }
    if (error) {
        std::free(error);
        munmap(bits, bytes);
        sharesPixmaps_ = false;
        return shared;
    }
    shared.bits = static_cast<uchar*>(bits);
    shared.bytesPerLine = bytesPerLine;
    shared.size = devicePixels;
    shared.pixmap = pixmap;
    shared.segment = segment;
    return shared;
}

void XSurface::release(SharedPixels& shared)
{
    if (!shared.bits)
        return;
    if (xConnection() == connection_) {
        release(shared.pixmap);
        xcb_shm_detach(connection_, shared.segment);
    }
    munmap(shared.bits, shared.bytesPerLine * size_t(shared.size.height()));
    shared = SharedPixels{};
}
