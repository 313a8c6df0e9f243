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
    if (src.isEmpty())
        return;
    scaleRows(src.width, src.height, [&src](int y) { return src.pixels + y * src.strideWords; }, dst, dstWidth,
              dstHeight, dstStrideWords);
}

bool NearestScaler::scaleRows(int srcWidth, int srcHeight, const RowSource &rows, std::uint32_t *dst, int dstWidth,
                              int dstHeight, std::ptrdiff_t dstStrideWords)
{
    if (srcWidth <= 0 || srcHeight <= 0 || dst == nullptr || dstWidth <= 0 || dstHeight <= 0)
        return false;
    std::vector<int> columns(static_cast<std::size_t>(dstWidth));
    for (int x = 0; x < dstWidth; ++x)
        columns[static_cast<std::size_t>(x)] = sourceIndex(x, srcWidth, dstWidth);
    int rowTaken = -1;
    const std::uint32_t *srcRow = nullptr;
    for (int y = 0; y < dstHeight; ++y) {
        const int wanted = sourceIndex(y, srcHeight, dstHeight);
        if (wanted != rowTaken) { // a repeated row is the one already at hand
            srcRow = rows(wanted);
            if (srcRow == nullptr)
                return false;
            rowTaken = wanted;
        }
        std::uint32_t *dstRow = dst + y * dstStrideWords;
        for (int x = 0; x < dstWidth; ++x)
            dstRow[x] = srcRow[columns[static_cast<std::size_t>(x)]];
    }
    return true;
}
