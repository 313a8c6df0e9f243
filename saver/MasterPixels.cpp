// Read-back of the master image as the texture's bytes.
#include "saver/MasterPixels.h"

bool MasterPixels::read(const PixelView &master)
{
    bytes.clear();
    width = master.isEmpty() ? 0 : master.width;
    height = master.isEmpty() ? 0 : master.height;
    if (master.isEmpty())
        return false;
    bytes = QByteArray(qsizetype(width) * height * BytesPerPixel, '\0');
    readBottomUpBgr(master);
    swapRedAndBlue();
    return true;
}

void MasterPixels::readBottomUpBgr(const PixelView &master)
{
    auto *out = reinterpret_cast<unsigned char *>(bytes.data());
    for (int y = 0; y < height; ++y) {
        const int imageRow = height - 1 - y; // row 0 of the array is the image's bottom row
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = master.at(x, imageRow);
            unsigned char *px = out + offset(x, y, width);
            px[0] = static_cast<unsigned char>(p & 0xff);         // blue
            px[1] = static_cast<unsigned char>((p >> 8) & 0xff);  // green
            px[2] = static_cast<unsigned char>((p >> 16) & 0xff); // red
        }
    }
}

void MasterPixels::swapRedAndBlue()
{
    auto *out = reinterpret_cast<unsigned char *>(bytes.data());
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            unsigned char *px = out + offset(x, y, width);
            const unsigned char channel0 = px[0];
            px[0] = px[2];
            px[2] = channel0;
        }
    }
}
