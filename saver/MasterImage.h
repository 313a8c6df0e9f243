// The 512 x 512 master image of the tunnel texture: taken from the desktop or a picture file, scaled nearest-pixel.
#pragma once

#include "saver/NearestScaler.h"

#include <QByteArray>
#include <QImage>
#include <QRgb>
#include <QSize>
#include <QString>

class MasterImage
{
public:
    static constexpr int MasterSize = 512;
    // Colour of an empty source surface (the classic window-face grey): a picture that cannot be
    // read, decoded or captured leaves the master image a plain field of this colour.
    static constexpr QRgb PlainColour = 0xfff0f0f0;
    // Largest decoded picture accepted, in megabytes of decoded pixels; a larger picture counts as
    // undecodable instead of claiming the memory.
    static constexpr int DecodeLimitMegabytes = 128;

    // The picture file decoded at its natural size (Format_RGB32), or a null image when it cannot
    // be read or decoded or is larger than the decode limit. `path` is the file name's own bytes
    // (they need not be valid UTF-8); the QString form names FilePath::encodeName(path). The file is
    // opened once, without waiting (a named pipe or a device is refused at once), checked to be a
    // regular file on that descriptor and decoded from it; its format is told by its contents.
    static QImage decodePicture(const QByteArray &path);
    static QImage decodePicture(const QString &path);
    // All of `picture` scaled nearest-pixel onto 512 x 512 (Format_RGB32); a null `picture` gives
    // the plain-colour master.
    static QImage scaleToMaster(const QImage &picture);
    // The master of a `sourceSize` source whose rows (Format_RGB32 words) come from `rows`: the
    // pixels scaleToMaster() makes of the whole source, but only the rows the master takes are
    // asked for. A null image when a row cannot be had or the size is empty.
    static QImage sampleToMaster(QSize sourceSize, const NearestScaler::RowSource &rows);
    // The same for a reader of rows, such as the platform's desktop captures offer (size() and
    // row(y)); a null image when there is no reader.
    template <typename Rows>
    static QImage sampleToMaster(Rows *reader)
    {
        return reader ? sampleToMaster(reader->size(), [reader](int y) { return reader->row(y); }) : QImage();
    }
    static QImage plainMaster();
    // `picture` as Format_RGB32 with every pixel's stored colour kept and its alpha ignored.
    static QImage opaque(const QImage &picture);
};
