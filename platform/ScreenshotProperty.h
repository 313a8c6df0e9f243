// The picture of the desktop that the XScreenSaver daemon leaves on the windows it gives a saver.
#pragma once

#include <QImage>

class ScreenshotProperty
{
public:
    using WindowId = unsigned long;

    // The pixmap named by the property _SCREENSAVER_SCREENSHOT of `window`, read back as a
    // Format_RGB32 image; a null image when the window has none, the pixmap is gone, or its depth
    // is not one of true colour (24 or 32 bits). Uses a connection of its own.
    static QImage read(WindowId window);
};
