// A rectangle of the X desktop read through shared memory, without copying it through the socket.
#pragma once

#include <QImage>
#include <QRect>

struct _XDisplay;

class X11SharedMemoryGrab
{
public:
    // The pixels of `area` (root window coordinates, device pixels) of `display`'s default screen
    // as they are now, as a Format_RGB32 image whose pixels live in a shared memory segment that
    // the X server wrote them into; the segment goes with the last copy of the image. The padding
    // byte above red, green and blue is left as the server wrote it.
    // A null image when this way is not open: no display, a remote server or one without the
    // MIT-SHM extension, a root visual other than 24-bit true colour in 32-bit pixels ordered as
    // Format_RGB32, an area outside the root window, or any request failing. The caller then takes
    // the desktop another way.
    static QImage grab(_XDisplay *display, const QRect &area);
};
