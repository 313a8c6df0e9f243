// The 512 x 512 master image of the tunnel texture: taken from the desktop or a picture file, scaled nearest-pixel.
#pragma once

#include <QImage>
#include <QRgb>
#include <QSize>

class QScreen;

class MasterImage
{
public:
    static constexpr int MasterSize = 512;
    // Colour of an empty source surface (the classic window-face grey): a picture that cannot be
    // read, decoded or captured leaves the master image a plain field of this colour.
    static constexpr QRgb PlainColour = 0xfff0f0f0;

    // The top-left `size` rectangle (device-independent pixels) of `screen` as it is now, in device
    // pixels (Format_RGB32), or a null image when the capture fails. The pixels may live in memory
    // shared with the X server, released with the image; the byte above red, green and blue is
    // whatever the server keeps there.
    static QImage captureDesktop(QScreen *screen, QSize size);
    // All of `picture` scaled nearest-pixel onto 512 x 512 (Format_RGB32), its alpha ignored (see
    // PictureFile::opaque); a null `picture` gives the plain-colour master.
    static QImage scaleToMaster(const QImage &picture);
    static QImage plainMaster();
};
