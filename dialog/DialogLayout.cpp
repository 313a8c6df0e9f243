// Geometry of the settings dialog; see DialogLayout.h.
#include "dialog/DialogLayout.h"

#include "button/Twips.h"

#include <QtGlobal>

#include <cmath>

namespace {
using C = DialogLayout::Container;
using K = DialogLayout::Control;

// Left, top, width, height in twips, in the window's control order.
constexpr std::array<DialogLayout::Place, DialogLayout::ControlCount> Places{{
    {K::PictureChoicePanel, "pictureChoicePanel", C::Window, 180, 180, 5475, 1515},
    {K::PictureChoiceHeading, "pictureChoiceHeading", C::UpperPanel, 120, 120, 1425, 330},
    {K::PictureChoiceTitle, "pictureChoiceTitle", C::UpperPanel, 120, 180, 1425, 195},
    {K::DesktopMark, "desktopMark", C::UpperPanel, 1740, 180, 195, 195},
    {K::DesktopLabel, "desktopLabel", C::UpperPanel, 1980, 180, 1245, 195},
    {K::PictureMark, "pictureMark", C::UpperPanel, 1740, 480, 195, 195},
    {K::PictureLabel, "pictureLabel", C::UpperPanel, 1980, 480, 1380, 195},
    {K::BrowseButton, "browseButton", C::UpperPanel, 3420, 420, 555, 315},
    {K::PathBox, "pathBox", C::UpperPanel, 120, 840, 3855, 495},
    {K::PreviewBox, "previewBox", C::UpperPanel, 4080, 120, 1200, 1200},
    {K::SpeedPanel, "speedPanel", C::Window, 180, 1800, 5475, 855},
    {K::SpeedHeading, "speedHeading", C::LowerPanel, 120, 120, 1425, 330},
    {K::SpeedTitle, "speedTitle", C::LowerPanel, 120, 180, 1425, 195},
    {K::SlowLabel, "slowLabel", C::LowerPanel, 1740, 180, 405, 195},
    {K::SpeedBar, "speedBar", C::LowerPanel, 2220, 180, 1755, 255},
    {K::FastLabel, "fastLabel", C::LowerPanel, 4080, 180, 375, 195},
    {K::SpeedReadout, "speedReadout", C::LowerPanel, 2220, 480, 1755, 195},
    {K::VersionLabel, "versionLabel", C::Window, 180, 2760, 2475, 195},
    {K::LinkLabel, "linkLabel", C::Window, 180, 3000, 3210, 195},
    {K::CancelButton, "cancelButton", C::Window, 3480, 2880, 1095, 375},
    {K::SaveButton, "saveButton", C::Window, 4560, 2880, 1095, 375},
}};

// place() looks a control up by its position in the table: every control has the row at its own index.
constexpr bool rowsInControlOrder()
{
    for (int i = 0; i < DialogLayout::ControlCount; ++i)
        if (Places[size_t(i)].control != K(i))
            return false;
    return true;
}
static_assert(rowsInControlOrder(), "the control table's rows must follow the Control enumeration");

constexpr double HalfTurn = 3.142; // the half sine spans the client height
} // namespace

const std::array<DialogLayout::Place, DialogLayout::ControlCount> &DialogLayout::places() { return Places; }

const DialogLayout::Place &DialogLayout::place(Control control) { return Places[size_t(control)]; }

int DialogLayout::roundHalfEven(double value) { return int(std::nearbyint(value)); }

QRect DialogLayout::pixelRect(const Place &p)
{
    return QRect(Twips::toNearestPixel(p.left), Twips::toNearestPixel(p.top), Twips::toNearestPixel(p.width),
                 Twips::toNearestPixel(p.height));
}

QPoint DialogLayout::windowPositionTwips(QSize screenTwips)
{
    const int freeWidth = screenTwips.width() - WindowWidthTwips;
    const int freeHeight = screenTwips.height() - WindowHeightTwips;
    return QPoint(freeWidth / 2, freeHeight / 3); // C++ division truncates toward zero
}

QPoint DialogLayout::windowPosition(QSize screenPixels)
{
    const QPoint twips = windowPositionTwips(screenPixels * Twips::PerPixel);
    return QPoint(Twips::toNearestPixel(twips.x()), Twips::toNearestPixel(twips.y()));
}

int DialogLayout::gradientLevel(int row, int height)
{
    const double k = double(height) / HalfTurn;
    return roundHalfEven(std::fabs(std::sin(row / k) * double(GradientPeak)));
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
