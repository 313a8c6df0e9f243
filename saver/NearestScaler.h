// Nearest-pixel scaling of a whole source picture onto a whole destination, with no blending.
#pragma once

#include "saver/PixelView.h"

#include <cstddef>
#include <cstdint>
#include <functional>

class NearestScaler
{
public:
    // The pixels of source row `y` (at least the source's width of them), valid until the next
    // call; null when the row cannot be had.
    using RowSource = std::function<const std::uint32_t *(int y)>;

    // Index of the source row or column that destination index `dst` takes:
    // floor(dst * srcSize / dstSize). Whole rows and columns are dropped or repeated, never mixed.
    static int sourceIndex(int dst, int srcSize, int dstSize);

    // Scales all of `src` onto all of the dstWidth x dstHeight destination (rows dstStrideWords
    // apart), stretching each direction on its own: no aspect correction, no borders.
    // Does nothing when either side is empty.
    static void scale(const PixelView &src, std::uint32_t *dst, int dstWidth, int dstHeight,
                      std::ptrdiff_t dstStrideWords);
    // The same scaling of a srcWidth x srcHeight source whose rows come from `rows`, which is asked
    // only for the rows the destination takes, each once, from the top down: a source that is read
    // row by row costs the destination's size, not its own. False (the destination partly
    // written) when a row cannot be had or a side is empty.
    static bool scaleRows(int srcWidth, int srcHeight, const RowSource &rows, std::uint32_t *dst, int dstWidth,
                          int dstHeight, std::ptrdiff_t dstStrideWords);
};
