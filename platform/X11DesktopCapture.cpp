// One monitor's part of the desktop as it is now; see X11DesktopCapture.h.
#include "platform/X11DesktopCapture.h"

#include "platform/ToolkitX11.h"
#include "platform/X11SharedMemoryGrab.h"

#include <QPixmap>
#include <QScreen>

X11DesktopCapture::~X11DesktopCapture() = default;

std::unique_ptr<X11DesktopCapture> X11DesktopCapture::open(QScreen *screen, QSize size)
{
    if (screen == nullptr || size.isEmpty())
        return nullptr;
    std::unique_ptr<X11DesktopCapture> capture(new X11DesktopCapture);
    const QPoint origin = screen->geometry().topLeft();
    // Where the server shares memory with us, it writes each row straight into a segment the
    // scaler then reads: no copy through the socket, none in the toolkit (which copies the area
    // into a pixmap, reads that back and converts it), and no row that is not asked for. Device
    // pixels equal these coordinates only at a ratio of 1; elsewhere the toolkit does the arithmetic.
    if (screen->devicePixelRatio() == 1.0) {
        capture->shared_ = X11SharedMemoryGrab::open(ToolkitX11::display(), QRect(origin, size));
        if (capture->shared_) {
            capture->size_ = size;
            return capture;
        }
    }
    // The toolkit reads root window coordinates here, so the screen's own area is asked for.
    const QPixmap shot = screen->grabWindow(0, origin.x(), origin.y(), size.width(), size.height());
    if (shot.isNull())
        return nullptr;
    capture->whole_ = shot.toImage().convertToFormat(QImage::Format_RGB32);
    if (capture->whole_.isNull())
        return nullptr;
    capture->size_ = capture->whole_.size();
    return capture;
}

const std::uint32_t *X11DesktopCapture::row(int y)
{
    if (shared_)
        return shared_->row(y);
    if (y < 0 || y >= whole_.height())
        return nullptr;
    return reinterpret_cast<const std::uint32_t *>(whole_.constScanLine(y));
}
