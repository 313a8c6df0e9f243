// Nearest-pixel scaling of a whole source picture onto a whole destination.
#include "saver/NearestScaler.h"

#include <vector>

int NearestScaler::sourceIndex(int dst, int srcSize, int dstSize)
{
    // 64-bit product: a 512-pixel destination times a source side of up to 2^31 cannot overflow.
    return static_cast<int>(static_cast<std::int64_t>(dst) * srcSize / dstSize);
}

void NearestScaler::scale(const PixelView &src, std::uint32_t *dst, int dstWidth, int dstHeight,
                          std::ptrdiff_t dstStrideWords)
{
    if (src.isEmpty() || dst == nullptr || dstWidth <= 0 || dstHeight <= 0)
        return;
    std::vector<int> columns(static_cast<std::size_t>(dstWidth));
    for (int x = 0; x < dstWidth; ++x)
        columns[static_cast<std::size_t>(x)] = sourceIndex(x, src.width, dstWidth);
    for (int y = 0; y < dstHeight; ++y) {
        const std::uint32_t *srcRow = src.pixels + sourceIndex(y, src.height, dstHeight) * src.strideWords;
        std::uint32_t *dstRow = dst + y * dstStrideWords;
        for (int x = 0; x < dstWidth; ++x)
            dstRow[x] = srcRow[columns[static_cast<std::size_t>(x)]];
    }
}
