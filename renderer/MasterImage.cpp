// The 512 x 512 master image of the tunnel texture.
#include "MasterImage.h"

#include "NearestScaler.h"

#include <QImageReader>
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
    const QPixmap shot = screen->grabWindow(0, 0, 0, size.width(), size.height());
    if (shot.isNull())
        return {};
    return shot.toImage().convertToFormat(QImage::Format_RGB32);
}

QImage MasterImage::decodePicture(const QString &path)
{
    QImageReader::setAllocationLimit(DecodeLimitMegabytes);
    QImageReader reader(path);
    reader.setAutoTransform(false); // the pixels as stored: orientation tags are not applied
    QImage picture;
    if (!reader.read(&picture) || picture.isNull())
        return {};
    return picture.convertToFormat(QImage::Format_RGB32);
}

QImage MasterImage::scaleToMaster(const QImage &PicOrgn)
{
    if (PicOrgn.isNull())
        return plainMaster();
    const QImage source = PicOrgn.format() == QImage::Format_RGB32 ? PicOrgn
                                                                   : PicOrgn.convertToFormat(QImage::Format_RGB32);
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
