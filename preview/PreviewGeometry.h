// Sizes of the preview form and of its picture control, worked out from the host window's size.
#pragma once

#include "button/Twips.h"

#include <QSize>

// The form's size is held in twips and the picture control's in pixels, as the form was laid
// out; the conversion there and back is kept here so it can be checked without a display.
class PreviewGeometry
{
public:
    static constexpr double DefaultTwipsPerPixel = Twips::PerPixel;

    // Host size in pixels -> form size in twips (each side rounded to nearest, ties to even) ->
    // picture control size in pixels (twips divided in single precision, rounded the same way).
    // The twips are held in 32 bits: a host wider or taller than 2184 pixels, whose size does not
    // fit 16-bit twips, is still covered whole instead of wrapping to a negative size.
    // Negative host sides count as 0.
    static PreviewGeometry forHost(QSize hostPixels, double twipsPerPixelX = DefaultTwipsPerPixel,
                                   double twipsPerPixelY = DefaultTwipsPerPixel);

    QSize formTwips() const { return formTwips_; }
    QSize imagePixels() const { return imagePixels_; }

private:
    QSize formTwips_;
    QSize imagePixels_;
};
