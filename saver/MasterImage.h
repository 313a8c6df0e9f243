// The 512 x 512 master image of the tunnel texture: a desktop picture, a picture file or the built-in wall, scaled nearest-pixel.
#pragma once

#include <QImage>
#include <QRgb>

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
    static QImage plainMaster();
    // The built-in wall (512 x 512, Format_RGB32): the texture where no desktop picture is to be
    // had and no picture file is set.
    static QImage builtInWall();
};
