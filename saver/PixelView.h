// A read-only view of 32-bit pixels (0xAARRGGBB words, top row first), as QImage::Format_RGB32 holds them.
#pragma once

#include <cstddef>
#include <cstdint>

struct PixelView {
    const std::uint32_t *pixels = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t strideWords = 0; // distance between rows, in 32-bit words

    bool isEmpty() const { return pixels == nullptr || width <= 0 || height <= 0; }
    std::uint32_t at(int x, int y) const { return pixels[y * strideWords + x]; }
};
