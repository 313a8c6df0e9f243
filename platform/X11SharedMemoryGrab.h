// Rows of a rectangle of the X desktop read through shared memory, without copying them through the socket.
#pragma once

#include "platform/X11ErrorTrap.h"

#include <QRect>
#include <QSize>

#include <cstdint>
#include <memory>

struct _XDisplay;

// A segment of one row is shared with the server, which writes each row asked for into it: the
// memory held and the pixels moved follow the rows read, not the rectangle.
class X11SharedMemoryGrab
{
public:
    // Opens `area` (root window coordinates, device pixels) of `display`'s default screen for
    // reading row by row. Null when this way is not open: no display, a remote server or one
    // without the MIT-SHM extension, a root visual other than 24-bit true colour in 32-bit pixels
    // ordered as Format_RGB32, an area outside the root window, or the server refusing the
    // segment. The caller then takes the desktop another way. While the reader lives, the X errors
    // of `display` are its own (see X11ErrorTrap); the segment goes with it.
    static std::unique_ptr<X11SharedMemoryGrab> open(_XDisplay *display, const QRect &area);
    ~X11SharedMemoryGrab();

    QSize size() const { return area_.size(); }
    // Row `y` (0 <= y < height) of the area as it is now, as Format_RGB32 words whose padding byte
    // above red, green and blue is left as the server wrote it; valid until the next call. Null
    // when the server refuses.
    const std::uint32_t *row(int y);

private:
    struct Segment;
    X11SharedMemoryGrab(_XDisplay *display, const QRect &area);

    _XDisplay *display_;
    QRect area_;
    X11ErrorTrap errors_;
    std::unique_ptr<Segment> segment_; // ends before the trap, so errors of its release are caught too
};
