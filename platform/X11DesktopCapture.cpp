// One monitor's part of the desktop as it is now; see X11DesktopCapture.h.
#include "platform/X11DesktopCapture.h"

#include "platform/ToolkitX11.h"
#include "platform/X11SharedMemoryGrab.h"

#include <QPixmap>
#include <QScreen>

QImage X11DesktopCapture::capture(QScreen *screen, QSize size)
{
    if (screen == nullptr || size.isEmpty())
        return {};
    const QPoint origin = screen->geometry().topLeft();
    // Where the server shares memory with us, it writes the pixels straight into a segment the
    // scaler then reads: no copy through the socket and none in the toolkit (which copies the area
    // into a pixmap, reads that back and converts it). Device pixels equal these coordinates only
    // at a ratio of 1; elsewhere the toolkit does the arithmetic.
    if (screen->devicePixelRatio() == 1.0) {
        QImage shared = X11SharedMemoryGrab::grab(ToolkitX11::display(), QRect(origin, size));
        if (!shared.isNull())
            return shared;
    }
    // The toolkit reads root window coordinates here, so the screen's own area is asked for.
    const QPixmap shot = screen->grabWindow(0, origin.x(), origin.y(), size.width(), size.height());
    if (shot.isNull())
        return {};
    return shot.toImage().convertToFormat(QImage::Format_RGB32);
}
