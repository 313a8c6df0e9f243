// A picture file's pixels; see PictureFile.h.
#include "picture/PictureFile.h"

#include "files/FileName.h"
#include "files/RegularFile.h"

#include <QFile>
#include <QImageReader>

QImage PictureFile::decode(const FileName &name)
{
    const std::unique_ptr<QFile> file = RegularFile::openForReading(name);
    if (!file)
        return {};
    QImageReader::setAllocationLimit(DecodeLimitMegabytes);
    QImageReader reader(file.get());
    reader.setAutoTransform(false);
    QImage picture;
    if (!reader.read(&picture) || picture.isNull())
        return {};
    return opaque(picture);
}

QImage PictureFile::opaque(const QImage &picture)
{
    if (!picture.hasAlphaChannel())
        return picture.convertToFormat(QImage::Format_RGB32);
    // The colour values as stored, alpha ignored: taken through ARGB32 and made opaque there, so
    // that no format's own way to RGB32 blends a translucent pixel with black.
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
