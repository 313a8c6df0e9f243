// One monitor's part of the desktop as it is now, read row by row through shared memory where the server offers it.
#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>
#include <memory>

class QScreen;
class X11SharedMemoryGrab;

class X11DesktopCapture
{
public:
    // The top-left `size` rectangle (device-independent pixels) of `screen`, opened for reading
    // row by row in device pixels; null when the capture fails. Through shared memory (at a device
    // pixel ratio of 1) each row is read from the server when it is asked for, so the cost follows
    // the rows read; otherwise the toolkit captures the whole area at once.
    static std::unique_ptr<X11DesktopCapture> open(QScreen *screen, QSize size);
    ~X11DesktopCapture();

    // In device pixels.
    QSize size() const { return size_; }
    // Row `y` (0 <= y < height) as Format_RGB32 words, valid until the next call; null when it
    // cannot be read. The byte above red, green and blue is whatever the server keeps there.
    const std::uint32_t *row(int y);

private:
    X11DesktopCapture() = default;

    QSize size_;
    std::unique_ptr<X11SharedMemoryGrab> shared_;
    QImage whole_; // the toolkit's capture, where shared memory is not used
};
