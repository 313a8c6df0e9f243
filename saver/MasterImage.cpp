// The 512 x 512 master image of the tunnel texture.
#include "saver/MasterImage.h"

#include "saver/NearestScaler.h"
#include "settings/FilePath.h"
#include "settings/RegularFile.h"

#include <QFile>
#include <QImageReader>

namespace {
PixelView viewOf(const QImage &rgb32)
{
    return {reinterpret_cast<const std::uint32_t *>(rgb32.constBits()), rgb32.width(), rgb32.height(),
            rgb32.bytesPerLine() / 4};
}
} // namespace

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
