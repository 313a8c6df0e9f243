// The 512 x 512 master image of the tunnel texture: a desktop picture, a picture file or the built-in wall, scaled nearest-pixel.
#pragma once

#include "saver/NearestScaler.h"

#include <QImage>
#include <QRgb>
#include <QSize>

class MasterImage
{
public:
    static constexpr int MasterSize = 512;
    // Colour of an empty source surface (the classic window-face grey): a picture file that cannot
    // be read or decoded leaves the master image a plain field of this colour.
    static constexpr QRgb PlainColour = 0xfff0f0f0;

    // All of `picture` scaled nearest-pixel onto 512 x 512 (Format_RGB32), its alpha ignored (see
    // PictureFile::opaque); a null `picture` gives the plain-colour master.
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
    // The built-in wall (512 x 512, Format_RGB32): the texture where no desktop picture is to be
    // had and no picture file is set.
    static QImage builtInWall();
};
