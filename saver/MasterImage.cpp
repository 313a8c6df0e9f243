// The 512 x 512 master image of the tunnel texture.
#include "saver/MasterImage.h"

#include "picture/PictureFile.h"
#include "platform/X11SharedMemoryGrab.h"
#include "saver/NearestScaler.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace {
PixelView viewOf(const QImage &rgb32)
{
    return {reinterpret_cast<const std::uint32_t *>(rgb32.constBits()), rgb32.width(), rgb32.height(),
            rgb32.bytesPerLine() / 4};
}
} // namespace

QImage MasterImage::captureDesktop(QScreen *screen, QSize size)
{
    if (screen == nullptr || size.isEmpty())
        return {};
    const QPoint origin = screen->geometry().topLeft();
    // Where the server shares memory with us, it writes the pixels straight into a segment the
    // scaler then reads: no copy through the socket and none in the toolkit (which copies the area
    // into a pixmap, reads that back and converts it). Device pixels equal these coordinates only
    // at a ratio of 1; elsewhere the toolkit does the arithmetic.
    if (screen->devicePixelRatio() == 1.0) {
        auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        QImage shared = X11SharedMemoryGrab::grab(x11 != nullptr ? x11->display() : nullptr, QRect(origin, size));
        if (!shared.isNull())
            return shared;
    }
    // The toolkit reads root window coordinates here, so the screen's own area is asked for.
    const QPixmap shot = screen->grabWindow(0, origin.x(), origin.y(), size.width(), size.height());
    if (shot.isNull())
        return {};
    return shot.toImage().convertToFormat(QImage::Format_RGB32);
}

QImage MasterImage::scaleToMaster(const QImage &picture)
{
    if (picture.isNull())
        return plainMaster();
    const QImage source = picture.format() == QImage::Format_RGB32 ? picture : PictureFile::opaque(picture);
    if (source.isNull())
        return {};
    QImage master(MasterSize, MasterSize, QImage::Format_RGB32);
    if (master.isNull())
        return {};
    NearestScaler::scale(viewOf(source), reinterpret_cast<std::uint32_t *>(master.bits()), MasterSize,
                         MasterSize, master.bytesPerLine() / 4);
    return master;
}

QImage MasterImage::plainMaster()
{
    QImage master(MasterSize, MasterSize, QImage::Format_RGB32);
    master.fill(PlainColour);
    return master;
}
