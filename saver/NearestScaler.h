// Nearest-pixel scaling of a whole source picture onto a whole destination, with no blending.
#pragma once

#include "saver/PixelView.h"

#include <cstdint>

class NearestScaler
{
public:
    // Index of the source row or column that destination index `dst` takes:
    // floor(dst * srcSize / dstSize). Whole rows and columns are dropped or repeated, never mixed.
    static int sourceIndex(int dst, int srcSize, int dstSize);

    // Scales all of `src` onto all of the dstWidth x dstHeight destination (rows dstStrideWords
    // apart), stretching each direction on its own: no aspect correction, no borders.
    // Does nothing when either side is empty.
    static void scale(const PixelView &src, std::uint32_t *dst, int dstWidth, int dstHeight,
                      std::ptrdiff_t dstStrideWords);
};
