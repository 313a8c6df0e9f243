// The picture of the desktop that the XScreenSaver daemon leaves on the windows it gives a saver, read row by row.
#pragma once

#include "platform/X11Display.h"
#include "platform/X11ErrorTrap.h"

#include <QSize>

#include <cstdint>
#include <memory>
#include <vector>

// The picture is as large as the screen; a saver that scales it down needs only some of its rows,
// so each row is read from the server when it is asked for, and only it is held.
class ScreenshotProperty
{
public:
    using WindowId = unsigned long;

    // The pixmap named by the property _SCREENSAVER_SCREENSHOT of `window`, opened on a connection
    // of its own; null when the window has none, the pixmap is gone, or its depth is not one of
    // true colour (24 or 32 bits).
    static std::unique_ptr<ScreenshotProperty> open(WindowId window);

    // The pixmap's size in pixels.
    QSize size() const { return size_; }
    // Row `y` (0 <= y < height) as it is now, as Format_RGB32 words (opaque), valid until the next
    // call; null when it cannot be read (the pixmap went away).
    const std::uint32_t *row(int y);

private:
    ScreenshotProperty();

    X11Display connection_;
    X11ErrorTrap errors_; // X errors from a pixmap or window that vanished are answers here, not faults
    unsigned long pixmap_ = 0;
    QSize size_;
    unsigned long redMask_ = 0, greenMask_ = 0, blueMask_ = 0;
    std::vector<std::uint32_t> row_;
};
