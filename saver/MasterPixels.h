// Read-back of the master image as the texture's bytes: packed 24-bit rows, bottom row first, red-green-blue.
#pragma once

#include "saver/PixelView.h"

#include <QByteArray>

class MasterPixels
{
public:
    // Width and height of the master image at the time of reading (512 x 512 for the saver).
    int width = 0;
    int height = 0;
    // Channel c of pixel (x, y), y = 0 being the bottom row, lies at (y * width + x) * 3 + c.
    // Rows are packed (3 * width bytes each, no padding), so the array is exactly
    // 3 * width * height bytes whatever the width.
    QByteArray bytes;

    // Sizes and fills `bytes` from `master`: the pixels are first laid down blue, green, red
    // with the rows bottom-up (the order the platform's read-back delivers), then the first and
    // third channel of every pixel are swapped so each pixel reads red, green, blue.
    // Returns false, leaving the array empty, when the image is empty.
    bool read(const PixelView &master);

    static constexpr int BytesPerPixel = 3;
    static qsizetype offset(int x, int y, int width) { return (qsizetype(y) * width + x) * BytesPerPixel; }

private:
    void readBottomUpBgr(const PixelView &master);
    void swapRedAndBlue();
};
