// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/XSurface.h"

#include "shared/Trace.h"

#include <set>

namespace {
// The reasons for Qt's painting said so far this run.
std::set<QString> saidWhy;
} // namespace

bool XSurface::paintedByQt(const QString& why)
{
    // A fallback met at every frame costs no allocation: the reason is a literal, and an
    // insertion of a reason said already allocates nothing.
    if (tracing() && saidWhy.insert(why).second)
        trace(QStringLiteral("playfield: painted by Qt: ") + why);
    return false;
}

#if !CRAWLIX_WITH_XCB

// Built without X: there is no server to fill the window, and Qt paints everything.
std::unique_ptr<XSurface> XSurface::forWindowOf(QWidget*)
{
    paintedByQt(QStringLiteral("built without xcb"));
    return nullptr;
}

#else

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {
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
        return XSurface::paintedByQt(QStringLiteral("QT_XCB_NO_MITSHM is set"));
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection, &xcb_shm_id);
    if (!shm || !shm->present)
        return XSurface::paintedByQt(QStringLiteral("the X server has no MIT-SHM"));
    if (!reachedLocally(connection))
        return XSurface::paintedByQt(QStringLiteral("the X server is not on this machine"));
    xcb_shm_query_version_reply_t* version
        = xcb_shm_query_version_reply(connection, xcb_shm_query_version(connection), nullptr);
    // Version 1.2 takes the memory as a file; the pixmaps must be laid out as images are.
    const bool shares = version && version->shared_pixmaps
        && (version->major_version > 1
            || (version->major_version == 1 && version->minor_version >= 2))
        && version->pixmap_format == XCB_IMAGE_FORMAT_Z_PIXMAP;
    std::free(version);
    return shares || XSurface::paintedByQt(QStringLiteral("the X server takes no shared pixmaps from a file"));
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

class XcbSurface final : public XSurface {
public:
    XcbSurface(xcb_connection_t* connection, uint32_t window, uint8_t depth);
    ~XcbSurface() override;
    XcbSurface(const XcbSurface&) = delete;
    XcbSurface& operator=(const XcbSurface&) = delete;

    bool share(QSize devicePixels) override;
    uchar* pixels() override;
    size_t bytesPerLine() const override { return bytesPerLine_; }
    void fill(QPoint origin, const QRect* rects, size_t count) override;

private:
    bool connected() const { return xConnection() == connection_; }
    void release();

    xcb_connection_t* connection_;
    uint32_t window_;
    uint8_t depth_;
    // Fills with the shared pixels laid as a tile; the tile's origin changes only when asked.
    uint32_t gc_;
    QPoint tileOrigin_;
    bool tileSet_ = false;
    // The shared pixels: mapped here, and seen by the server as a pixmap.
    uchar* bits_ = nullptr;
    size_t bytesPerLine_ = 0;
    size_t bytes_ = 0;
    uint32_t pixmap_ = 0;
    uint32_t segment_ = 0;
    // The server answers a request only once it has carried out every request sent before
    // it: a request sent after each fill tells when the fill has read the pixels.
    xcb_get_input_focus_cookie_t afterFill_{};
    bool fillPending_ = false;
};

XcbSurface::XcbSurface(xcb_connection_t* connection, uint32_t window, uint8_t depth)
    : connection_(connection)
    , window_(window)
    , depth_(depth)
    , gc_(xcb_generate_id(connection))
{
    // No exposure events for the fills: the shared pixels are always whole where read.
    const uint32_t tiled[] = {XCB_FILL_STYLE_TILED, 0};
    xcb_create_gc(connection_, gc_, window_, XCB_GC_FILL_STYLE | XCB_GC_GRAPHICS_EXPOSURES,
                  tiled);
}

XcbSurface::~XcbSurface()
{
    // The connection goes with the application; past it there is nothing left to free.
    if (!connected()) {
        if (bits_)
            munmap(bits_, bytes_);
        return;
    }
    release();
    xcb_free_gc(connection_, gc_);
    xcb_flush(connection_);
}

void XcbSurface::release()
{
    if (!bits_)
        return;
    if (fillPending_) {
        xcb_discard_reply(connection_, afterFill_.sequence);
        fillPending_ = false;
    }
    // The server frees the pixmap and the segment after the requests sent before.
    xcb_free_pixmap(connection_, pixmap_);
    xcb_shm_detach(connection_, segment_);
    munmap(bits_, bytes_);
    bits_ = nullptr;
    tileSet_ = false;
}

bool XcbSurface::share(QSize devicePixels)
{
    if (connected())
        release();
    if (!connected() || devicePixels.isEmpty() || !serverSharesPixmaps(connection_))
        return false;
    const size_t bytesPerLine = size_t(devicePixels.width()) * (BitsPerPixel / 8);
    const size_t bytes = bytesPerLine * size_t(devicePixels.height());
    const int file = memfd_create("crawlix-field", MFD_CLOEXEC);
    if (file < 0)
        return paintedByQt(QStringLiteral("no memory to share: ") + QString::fromLocal8Bit(strerror(errno)));
    void* bits = ftruncate(file, off_t(bytes)) == 0
        ? mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0)
        : MAP_FAILED;
    if (bits == MAP_FAILED) {
        const int error = errno;
        close(file);
        return paintedByQt(QStringLiteral("no memory to share: ") + QString::fromLocal8Bit(strerror(error)));
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
        return paintedByQt(QStringLiteral("the X server refused the shared pixels"));
    }
    bits_ = static_cast<uchar*>(bits);
    bytesPerLine_ = bytesPerLine;
    bytes_ = bytes;
    pixmap_ = pixmap;
    segment_ = segment;
    return true;
}

uchar* XcbSurface::pixels()
{
    if (fillPending_) {
        std::free(xcb_get_input_focus_reply(connection_, afterFill_, nullptr));
        fillPending_ = false;
    }
    return bits_;
}

void XcbSurface::fill(QPoint origin, const QRect* rects, size_t count)
{
    if (!bits_)
        return;
    if (!tileSet_ || origin != tileOrigin_) {
        tileSet_ = true;
        tileOrigin_ = origin;
        const uint32_t values[] = {pixmap_, uint32_t(int32_t(origin.x())),
                                   uint32_t(int32_t(origin.y()))};
        xcb_change_gc(connection_, gc_,
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
        xcb_poly_fill_rectangle(connection_, window_, gc_, uint32_t(n), batch.data());
    }
    if (fillPending_)
        xcb_discard_reply(connection_, afterFill_.sequence);
    afterFill_ = xcb_get_input_focus(connection_);
    fillPending_ = true;
    xcb_flush(connection_);
}

} // namespace

std::unique_ptr<XSurface> XSurface::forWindowOf(QWidget* widget)
{
    xcb_connection_t* connection = xConnection();
    if (!connection) {
        paintedByQt(QStringLiteral("the window system is %1, not X").arg(QGuiApplication::platformName()));
        return nullptr;
    }
    if (!widget)
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
    if (!usable) {
        paintedByQt(QStringLiteral("the window's pixels are not 32-bit xRGB"));
        return nullptr;
    }
    return std::make_unique<XcbSurface>(connection, window, depth);
}

#endif
