// The 512 x 512 master image of the tunnel texture.
#include "saver/MasterImage.h"

#include "settings/FilePath.h"
#include "settings/RegularFile.h"

#include <QFile>
#include <QImageReader>

QImage MasterImage::decodePicture(const QByteArray &path)
{
    const std::unique_ptr<QFile> file = RegularFile::openForReading(path);
    if (!file)
        return {};
    QImageReader::setAllocationLimit(DecodeLimitMegabytes);
    QImageReader reader(file.get());
    reader.setAutoTransform(false); // the pixels as stored: orientation tags are not applied
    QImage picture;
    if (!reader.read(&picture) || picture.isNull())
        return {};
    return opaque(picture);
}

QImage MasterImage::decodePicture(const QString &path) { return decodePicture(FilePath::encodeName(path)); }

QImage MasterImage::opaque(const QImage &picture)
{
    if (!picture.hasAlphaChannel())
        return picture.convertToFormat(QImage::Format_RGB32);
    // The colour values as stored, alpha ignored: converting straight to RGB32 would premultiply
    // them, darkening every translucent pixel.
    QImage rgb = picture.convertToFormat(QImage::Format_ARGB32);
    if (rgb.isNull())
        return {};
    for (int y = 0; y < rgb.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(rgb.scanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            row[x] |= 0xff000000u;
    }
    rgb.reinterpretAsFormat(QImage::Format_RGB32);
    return rgb;
}

QImage MasterImage::scaleToMaster(const QImage &picture)
{
    if (picture.isNull())
        return plainMaster();
    const QImage source = picture.format() == QImage::Format_RGB32 ? picture : opaque(picture);
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
