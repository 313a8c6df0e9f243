// Read-back of the master image as the texture's bytes.
#include "MasterPixels.h"

bool MasterPixels::ReadMasterPixels(const PixelView &PicMaster)
{
    bytes.clear();
    TexWidth = PicMaster.isEmpty() ? 0 : PicMaster.width;
    TexHeight = PicMaster.isEmpty() ? 0 : PicMaster.height;
    if (PicMaster.isEmpty())
        return false;
    bytes = QByteArray(qsizetype(TexWidth) * TexHeight * BytesPerPixel, '\0');
    readBottomUpBgr(PicMaster);
    swapRedAndBlue();
    return true;
}

void MasterPixels::readBottomUpBgr(const PixelView &PicMaster)
{
    auto *out = reinterpret_cast<unsigned char *>(bytes.data());
    for (int y = 0; y < TexHeight; ++y) {
        const int imageRow = TexHeight - 1 - y; // row 0 of the array is the image's bottom row
        for (int x = 0; x < TexWidth; ++x) {
            const std::uint32_t p = PicMaster.at(x, imageRow);
            unsigned char *px = out + offset(x, y, TexWidth);
            px[0] = static_cast<unsigned char>(p & 0xff);         // blue
            px[1] = static_cast<unsigned char>((p >> 8) & 0xff);  // green
            px[2] = static_cast<unsigned char>((p >> 16) & 0xff); // red
        }
    }
}

void MasterPixels::swapRedAndBlue()
{
    auto *out = reinterpret_cast<unsigned char *>(bytes.data());
    for (int x = 0; x < TexWidth; ++x) {
        for (int y = 0; y < TexHeight; ++y) {
            unsigned char *px = out + offset(x, y, TexWidth);
            const unsigned char channel0 = px[0];
            px[0] = px[2];
            px[2] = channel0;
        }
    }
}
