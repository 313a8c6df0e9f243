// Geometry of the settings dialog; see DialogLayout.h.
#include "DialogLayout.h"

#include <QtGlobal>

#include <cmath>

namespace {
using C = DialogLayout::Container;

// Left, top, width, height in twips, in the window's control order.
constexpr std::array<DialogLayout::Place, DialogLayout::ControlCount> kPlaces{{
    {"Pic_B", C::Window, 180, 180, 5475, 1515},
    {"Img_TT(0)", C::UpperPanel, 120, 120, 1425, 330},
    {"lbl(0)", C::UpperPanel, 120, 180, 1425, 195},
    {"Img_Sel(0)", C::UpperPanel, 1740, 180, 195, 195},
    {"lbl_Sel(0)", C::UpperPanel, 1980, 180, 1245, 195},
    {"Img_Sel(1)", C::UpperPanel, 1740, 480, 195, 195},
    {"lbl_Sel(1)", C::UpperPanel, 1980, 480, 1380, 195},
    {"Cmd_Pic", C::UpperPanel, 3420, 420, 555, 315},
    {"Pname", C::UpperPanel, 120, 840, 3855, 495},
    {"Display", C::UpperPanel, 4080, 120, 1200, 1200},
    {"Pic_D", C::Window, 180, 1800, 5475, 855},
    {"Img_TT(2)", C::LowerPanel, 120, 120, 1425, 330},
    {"lbl(3)", C::LowerPanel, 120, 180, 1425, 195},
    {"lbl(4)", C::LowerPanel, 1740, 180, 405, 195},
    {"HS_Fast", C::LowerPanel, 2220, 180, 1755, 255},
    {"lbl(5)", C::LowerPanel, 4080, 180, 375, 195},
    {"lbl_Fast", C::LowerPanel, 2220, 480, 1755, 195},
    {"lbl(9)", C::Window, 180, 2760, 2475, 195},
    {"lbl_URL", C::Window, 180, 3000, 3210, 195},
    {"Cmd_Can", C::Window, 3480, 2880, 1095, 375},
    {"Cmd_Set", C::Window, 4560, 2880, 1095, 375},
    {"Pic_Dummy", C::Window, 7440, 1620, 855, 795},
    {"Pic_Mbl", C::Window, 7500, 900, 8445, 315},
    {"Img_Opt_On", C::Window, 7560, 1320, 180, 180},
    {"Img_Opt_Off", C::Window, 7800, 1320, 180, 180},
}};

constexpr double kGradientPeak = 220.0;
constexpr double kHalfTurn = 3.142; // the half sine spans the client height
} // namespace

const std::array<DialogLayout::Place, DialogLayout::ControlCount> &DialogLayout::places() { return kPlaces; }

std::optional<DialogLayout::Place> DialogLayout::place(const QString &name)
{
    for (const Place &p : kPlaces)
        if (name == QLatin1String(p.name))
            return p;
    return std::nullopt;
}

int DialogLayout::roundHalfEven(double value) { return int(std::nearbyint(value)); }

int DialogLayout::pixels(int twips) { return roundHalfEven(double(twips) / TwipsPerPixel); }

QRect DialogLayout::pixelRect(const Place &p)
{
    return QRect(pixels(p.left), pixels(p.top), pixels(p.width), pixels(p.height));
}

QPoint DialogLayout::windowPositionTwips(QSize screenTwips)
{
    const int freeWidth = screenTwips.width() - WindowWidthTwips;
    const int freeHeight = screenTwips.height() - WindowHeightTwips;
    return QPoint(freeWidth / 2, freeHeight / 3); // C++ division truncates toward zero
}

QPoint DialogLayout::windowPosition(QSize screenPixels)
{
    const QPoint twips = windowPositionTwips(screenPixels * TwipsPerPixel);
    return QPoint(pixels(twips.x()), pixels(twips.y()));
}

int DialogLayout::gradientLevel(int row, int height)
{
    const double k = double(height) / kHalfTurn;
    return roundHalfEven(std::fabs(std::sin(row / k) * kGradientPeak));
}

QList<QPoint> DialogLayout::tileOrigins(QSize tile, QSize target)
{
    QList<QPoint> origins;
    if (tile.width() <= 0 || tile.height() <= 0)
        return origins;
    int x = 0;
    int y = 0;
    for (;;) {
        origins.append(QPoint(x, y));
        if (y > target.height()) {
            if (x > target.width())
                break;
            x += tile.width();
            y = 0;
        } else {
            y += tile.height();
        }
    }
    return origins;
}

QSizeF DialogLayout::previewSize(QSize picture)
{
    const float w = float(picture.width());
    const float h = float(picture.height());
    const float side = float(PreviewSide);
    if (w > h)
        return QSizeF(side, double(side * h / w));
    if (h <= 0.0f) // no picture at all: the empty box
        return QSizeF(side, side);
    return QSizeF(double(side * w / h), side);
}

QRect DialogLayout::animationFrame(const QRect &from, const QRect &to, double t)
{
    t = qBound(0.0, t, 1.0);
    auto mix = [t](int a, int b) { return roundHalfEven(a + (b - a) * t); };
    const int left = mix(from.left(), to.left());
    const int top = mix(from.top(), to.top());
    const int width = mix(from.width(), to.width());
    const int height = mix(from.height(), to.height());
    return QRect(left, top, width, height);
}
