// Draws the built-in wall; see WallPainter.h.
#include "resources/art/WallPainter.h"

#include <array>

namespace {
constexpr QRgb MortarColour = 0xff14121c;

// Strong, distinct colours: neighbours differ in hue and lightness.
constexpr std::array<QRgb, 8> Palette = {0xffd8483c, 0xffe8a030, 0xfff0e070, 0xff58b050,
                                         0xff3c9cc8, 0xff4a5ad0, 0xff9c50c0, 0xffe0e0e8};

// A small integer hash, so the stones' colours look scattered but never change between runs.
unsigned scatter(unsigned x)
{
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}
} // namespace

QRgb WallPainter::Shade(QRgb colour, int percent)
{
    const auto channel = [percent](int value) { return std::min(255, value * percent / 100); };
    return qRgb(channel(qRed(colour)), channel(qGreen(colour)), channel(qBlue(colour)));
}

QRgb WallPainter::StoneColour(int course, int stone)
{
    const unsigned hash = scatter(unsigned(course) * 131u + unsigned(stone) * 7919u + 17u);
    const QRgb base = Palette[hash % Palette.size()];
    return Shade(base, 70 + int((hash >> 8) % 31)); // 70 % to 100 % of the palette colour
}

QImage WallPainter::Draw()
{
    constexpr int stoneHeight = Size / Courses;
    constexpr int stoneWidth = Size / StonesPerCourse;
    QImage wall(Size, Size, QImage::Format_RGB32);
    for (int y = 0; y < Size; ++y) {
        const int course = y / stoneHeight;
        const int inY = y % stoneHeight;
        // Every other course is shifted by half a stone, as bricks are laid.
        const int shift = (course % 2) * (stoneWidth / 2);
        auto *row = reinterpret_cast<QRgb *>(wall.scanLine(y));
        for (int x = 0; x < Size; ++x) {
            const int shifted = (x + shift) % Size;
            const int stone = shifted / stoneWidth;
            const int inX = shifted % stoneWidth;
            if (inY < Mortar || inX < Mortar) {
                row[x] = MortarColour;
                continue;
            }
            const QRgb colour = StoneColour(course, stone);
            const bool lit = inY < Mortar + Bevel || inX < Mortar + Bevel;
            const bool shaded = inY >= stoneHeight - Bevel || inX >= stoneWidth - Bevel;
            row[x] = lit ? Shade(colour, 135) : shaded ? Shade(colour, 60) : colour;
        }
    }
    return wall;
}
