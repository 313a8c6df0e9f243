// One monitor's part of the desktop as it is now, taken through shared memory where the server offers it.
#pragma once

#include <QImage>
#include <QSize>

class QScreen;

class X11DesktopCapture
{
public:
    // The top-left `size` rectangle (device-independent pixels) of `screen` as it is now, in device
    // pixels (Format_RGB32), or a null image when the capture fails. The pixels may live in memory
    // shared with the X server, released with the image; the byte above red, green and blue is
    // whatever the server keeps there.
    static QImage capture(QScreen *screen, QSize size);
};
