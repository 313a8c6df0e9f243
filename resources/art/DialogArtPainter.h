// Draws the settings dialog's built-in pictures: window icon, link pointer, heading plate, panel tile, option marks.
#pragma once

#include <QImage>
#include <QPoint>

class DialogArtPainter
{
public:
    static constexpr QPoint PointerHotSpot{12, 10};

    static QImage Icon();          // 32 x 32, a twisting tunnel seen from inside
    static QImage Pointer();       // 32 x 32, black, white and transparent only: a pointing hand
    static QImage HeadingPlate();  // 95 x 22, light plate under a black heading text
    static QImage PanelTile();     // 563 x 21, light and subtle, tiles without seams
    static QImage OptionMark(bool chosen); // 12 x 12 round option mark

    // The panel tile's mean colour, which the option marks use as their surroundings.
    static QRgb PanelColour();
};
