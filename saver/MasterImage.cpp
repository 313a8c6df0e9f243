// The 512 x 512 master image of the tunnel texture.
#include "saver/MasterImage.h"

#include "picture/PictureFile.h"
#include "saver/NearestScaler.h"


namespace {
PixelView viewOf(const QImage &rgb32)
{
    return {reinterpret_cast<const std::uint32_t *>(rgb32.constBits()), rgb32.width(), rgb32.height(),
            rgb32.bytesPerLine() / 4};
}
} // namespace

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

QImage MasterImage::builtInWall() { return QImage(QStringLiteral(":/wall/wall.png")).convertToFormat(QImage::Format_RGB32); }
