// The 512 x 512 master image of the tunnel texture.
#include "saver/MasterImage.h"

#include "picture/PictureFile.h"

QImage MasterImage::scaleToMaster(const QImage &picture)
{
    if (picture.isNull())
        return plainMaster();
    const QImage source = picture.format() == QImage::Format_RGB32 ? picture : PictureFile::opaque(picture);
    if (source.isNull())
        return {};
    return sampleToMaster(source.size(),
                          [&source](int y) { return reinterpret_cast<const std::uint32_t *>(source.constScanLine(y)); });
}

QImage MasterImage::sampleToMaster(QSize sourceSize, const NearestScaler::RowSource &rows)
{
    QImage master(MasterSize, MasterSize, QImage::Format_RGB32);
    if (master.isNull()
        || !NearestScaler::scaleRows(sourceSize.width(), sourceSize.height(), rows,
                                     reinterpret_cast<std::uint32_t *>(master.bits()), MasterSize, MasterSize,
                                     master.bytesPerLine() / 4))
        return {};
    return master;
}

QImage MasterImage::plainMaster()
{
    QImage master(MasterSize, MasterSize, QImage::Format_RGB32);
    master.fill(PlainColour);
    return master;
}

QImage MasterImage::builtInWall() { return QImage(QStringLiteral(":/wall/wall.png")).convertToFormat(QImage::Format_RGB32); }
