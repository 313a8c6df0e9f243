// Sizes of the preview form and of its picture control, worked out from the host window's size.
#include "preview/PreviewGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double MaxTwips = std::numeric_limits<int>::max();

// Rounds to nearest, ties to even (the default floating-point rounding mode).
int twipsOf(int pixels, double twipsPerPixel)
{
    const double twips = std::nearbyint(double(std::max(pixels, 0)) * twipsPerPixel);
    return int(std::clamp(twips, 0.0, MaxTwips));
}

int pixelsOf(int twips, double twipsPerPixel)
{
    if (twipsPerPixel <= 0)
        return 0;
    const float pixels = float(twips) / float(twipsPerPixel);
    return int(std::clamp(double(std::nearbyint(pixels)), 0.0, MaxTwips));
}

} // namespace

PreviewGeometry PreviewGeometry::forHost(QSize hostPixels, double twipsPerPixelX, double twipsPerPixelY)
{
    PreviewGeometry geometry;
    geometry.formTwips_ = QSize(twipsOf(hostPixels.width(), twipsPerPixelX),
                                twipsOf(hostPixels.height(), twipsPerPixelY));
    geometry.imagePixels_ = QSize(pixelsOf(geometry.formTwips_.width(), twipsPerPixelX),
                                  pixelsOf(geometry.formTwips_.height(), twipsPerPixelY));
    return geometry;
}
