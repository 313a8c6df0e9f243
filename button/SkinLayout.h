// The arithmetic of the button's look: where the skin's frame pieces go, the caption's height and the
// colour of each gradient row. Sizes come in twips and go out in pixels.
#pragma once

#include <QRect>
#include <QRectF>
#include <array>

namespace ButtonLogic {

// One frame piece: a rectangle of the skin picture copied (stretched if sizes differ) onto the button.
struct FramePiece {
    QRect target; // on the button, pixels
    QRect source; // in the skin picture, pixels
    bool operator==(const FramePiece &) const = default;
};

class SkinLayout
{
public:
    static constexpr double EdgeSize = 60.0;       // frame thickness of a skin, 4 pixels
    static constexpr double SkinWidth = 960.0;     // 64 pixels
    static constexpr double SkinHeight = 375.0;    // 25 pixels
    static constexpr double SkinMiddleWidth = SkinWidth - 2 * EdgeSize;   // 840
    static constexpr double SkinMiddleHeight = SkinHeight - 2 * EdgeSize; // 255
    static constexpr double CaptionRaise = 20.0;   // the caption sits 10 twips above the middle

    // Recomputes the four values below for a button of the given size in twips. A value that does
    // not fit 16 bits is not stored and the previous one stays; the result says whether all were stored.
    bool update(double widthTwips, double heightTwips);

    // Twips: the width of the top and bottom edges and the height of the side edges between the
    // corners; where the right edge starts (left) and where the bottom edge starts (top).
    qint16 middleWidth() const { return middleWidth_; }
    qint16 middleHeight() const { return middleHeight_; }
    qint16 rightEdgeX() const { return rightEdgeX_; }
    qint16 bottomEdgeY() const { return bottomEdgeY_; }

    // The eight frame pieces in drawing order: corners and edges clockwise from the top-left corner,
    // the left edge last.
    std::array<FramePiece, 8> pieces() const;

    // The caption label's top in twips: vertically centred, 10 twips above the middle.
    static double captionTop(double heightTwips, double captionHeightTwips);

    // A rectangle in twips as the pixels it covers: every edge falls in the pixel that contains it.
    static QRect pixelRect(const QRectF &twips);

    // The colour (0xRRGGBB) of row `row` of a vertical rectangle gradient whose vertex 0 lies on row 0
    // and vertex 1 on row `lastRow`: rows 0 .. lastRow - 1 are filled, row 0 has exactly `top`, and
    // each channel is the integer part of the weighted mean, as the system's rectangle gradient does.
    static quint32 gradientRowColour(quint32 top, quint32 bottom, int row, int lastRow);

private:
    qint16 middleWidth_ = 0;
    qint16 middleHeight_ = 0;
    qint16 rightEdgeX_ = 0;
    qint16 bottomEdgeY_ = 0;
};

} // namespace ButtonLogic
