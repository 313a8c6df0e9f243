// The picture an output shows, copied through zwlr_screencopy_manager_v1 into shared memory.
#pragma once

#include <QImage>

#include <cstdint>

class WaylandConnection;
class WaylandOutput;

class WaylandScreencopy
{
public:
    static constexpr int TimeoutMs = 3000;

    // What the output shows now, in device pixels (Format_RGB32, rows top first), without the
    // pointer; a null image when the compositor has no screencopy, offers no shared-memory buffer
    // in a format known here, fails the copy or takes longer than TimeoutMs.
    static QImage capture(WaylandConnection &connection, WaylandOutput *output);

    // The rows of a copied frame as an image: `bytes` holds `height` rows of `stride` bytes in the
    // wl_shm `format` (XRGB8888, ARGB8888, XBGR8888 or ABGR8888: little-endian words), the bottom
    // row first when `yInverted`. Alpha is dropped. A null image for another format or sizes that
    // do not fit the bytes.
    static QImage fromShm(const uchar *bytes, qsizetype byteCount, std::uint32_t format, int width, int height,
                          int stride, bool yInverted);
};
