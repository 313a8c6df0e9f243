// The arithmetic of the button's look; see SkinLayout.h.
#include "button/SkinLayout.h"

#include "button/Twips.h"

#include <cmath>
#include <limits>
#include <optional>

namespace ButtonLogic {

namespace {

// Round to nearest, ties to even, into 16 bits; nothing when the value does not fit.
std::optional<qint16> toInt16(double value)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<qint16>::min() && rounded <= std::numeric_limits<qint16>::max()))
        return std::nullopt;
    return qint16(rounded);
}

} // namespace

bool SkinLayout::update(double widthTwips, double heightTwips)
{
    bool stored = true;
    auto store = [&stored](qint16 &target, std::optional<qint16> value) {
        if (value)
            target = *value;
        else
            stored = false;
    };
    store(middleWidth_, toInt16(widthTwips - 2 * EdgeSize));
    store(middleHeight_, toInt16(heightTwips - 2 * EdgeSize));
    store(rightEdgeX_, toInt16(EdgeSize + middleWidth_));
    store(bottomEdgeY_, toInt16(EdgeSize + middleHeight_));
    return stored;
}

std::array<FramePiece, 8> SkinLayout::pieces() const
{
    // Destination x, y, width, height and source x, y, width, height, all in twips. The offsets of one
    // twip fall inside the first pixel.
    const double e = EdgeSize, mw = middleWidth_, mh = middleHeight_, rx = rightEdgeX_, by = bottomEdgeY_;
    const double sw = SkinMiddleWidth, sh = SkinMiddleHeight;
    const double right = e + sw, bottom = e + sh; // 900 and 315
    const std::array<std::array<QRectF, 2>, 8> twips{{
        {QRectF(1, 1, e, e), QRectF(0, 0, e, e)},             // top-left corner
        {QRectF(e, 1, mw, e), QRectF(e, 1, sw, e)},           // top edge
        {QRectF(rx, 1, e, e), QRectF(right, 1, e, e)},        // top-right corner
        {QRectF(rx, e, e, mh), QRectF(right, e, e, sh)},      // right edge
        {QRectF(rx, by, e, e), QRectF(right, bottom, e, e)},  // bottom-right corner
        {QRectF(e, by, mw, e), QRectF(e, bottom, sw, e)},     // bottom edge
        {QRectF(1, by, e, e), QRectF(0, bottom, e, e)},       // bottom-left corner
        {QRectF(1, e, e, mh), QRectF(1, e, e, sh)},           // left edge
    }};
    std::array<FramePiece, 8> pieces;
    for (size_t i = 0; i < pieces.size(); ++i)
        pieces[i] = {pixelRect(twips[i][0]), pixelRect(twips[i][1])};
    return pieces;
}

double SkinLayout::captionTop(double heightTwips, double captionHeightTwips)
{
    return (heightTwips - captionHeightTwips - CaptionRaise) / 2;
}

QRect SkinLayout::pixelRect(const QRectF &twips)
{
    // Left and top from the pixel holding the edge; the size from the far edge, so that a piece
    // starting at 1 twip and 60 twips wide covers pixels 0 to 3, and neighbouring pieces meet exactly.
    const int left = Twips::toContainingPixel(twips.left());
    const int top = Twips::toContainingPixel(twips.top());
    const int right = Twips::toContainingPixel(twips.left() + twips.width());
    const int bottom = Twips::toContainingPixel(twips.top() + twips.height());
    return QRect(left, top, right - left, bottom - top);
}

quint32 SkinLayout::gradientRowColour(quint32 top, quint32 bottom, int row, int lastRow)
{
    if (lastRow <= 0)
        return top;
    quint32 colour = 0;
    for (int shift : {16, 8, 0}) {
        // The system works with 16-bit channels (the 8-bit value in the high byte) and keeps the high
        // byte of the weighted mean; for 8-bit inputs that is the integer part of the 8-bit mean.
        const qint64 a = qint64((top >> shift) & 0xff) << 8;
        const qint64 b = qint64((bottom >> shift) & 0xff) << 8;
        const qint64 mean = (a * (lastRow - row) + b * row) / lastRow;
        colour |= quint32((mean >> 8) & 0xff) << shift;
    }
    return colour;
}

} // namespace ButtonLogic
