// The settings dialog's geometry: control rectangles, window placement, background gradient,
// panel tiling, preview size and the open/close outline's frames. Pure arithmetic, no widgets.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QSizeF>

#include <array>

class DialogLayout
{
public:
    // The window's designed outer size in twips, frame included.
    static constexpr int WindowWidthTwips = 5925;
    static constexpr int WindowHeightTwips = 4005;
    // The client area that fixed outer size leaves inside a 3-pixel border and a 19-pixel caption;
    // on X11 the window manager adds its own frame outside it.
    static constexpr int ClientWidth = 389;
    static constexpr int ClientHeight = 242;
    // The preview's longer side and its empty size, in pixels.
    static constexpr int PreviewSide = 80;

    // The dialog's controls, in the window's control order (which is also their stacking order).
    enum class Control {
        PictureChoicePanel, // the upper panel: source choice, picture path and preview
        PictureChoiceHeading,
        PictureChoiceTitle,
        DesktopMark,
        DesktopLabel,
        PictureMark,
        PictureLabel,
        BrowseButton,
        PathBox,
        PreviewBox,
        SpeedPanel, // the lower panel: rotation speed
        SpeedHeading,
        SpeedTitle,
        SlowLabel,
        SpeedBar,
        FastLabel,
        SpeedReadout,
        VersionLabel,
        LinkLabel,
        CancelButton,
        SaveButton,
    };
    static constexpr int ControlCount = int(Control::SaveButton) + 1;

    enum class Container { Window, UpperPanel, LowerPanel };

    // One row of the control table: the control, its object name, and its place in twips inside
    // the container's client area.
    struct Place {
        Control control;
        const char *name;
        Container container;
        int left, top, width, height;
    };
    // Every control's row, in Control order.
    static const std::array<Place, ControlCount> &places();
    static const Place &place(Control control);

    // The place in whole pixels, each twips value rounded to the nearest pixel (half to even).
    static QRect pixelRect(const Place &place);

    // Window position in twips for a screen of the given size in twips: the free width halved and
    // the free height divided by three, each quotient truncated toward zero.
    static QPoint windowPositionTwips(QSize screenTwips);
    // The same for a screen measured in pixels, returned in pixels.
    static QPoint windowPosition(QSize screenPixels);

    // Grey level c of gradient row `row` for a client area `height` pixels high; the row's colour
    // is (c, c, c + GradientBlueLift). One half sine over the height: 0 at both edges, GradientPeak
    // in the middle.
    static int gradientLevel(int row, int height);
    static constexpr int GradientPeak = 220;
    static constexpr int GradientBlueLift = 30;

    // Top-left corners at which the tile is copied to cover a target of `target` pixels, in copy
    // order: down a column until past the bottom edge, then the next column, until past the right
    // edge. Empty when the tile has no area (there is nothing to cover with).
    static QList<QPoint> tileOrigins(QSize tile, QSize target);

    // Size of the preview for a picture of `picture` pixels: the longer side becomes 80, the other
    // keeps the ratio; single-precision arithmetic.
    static QSizeF previewSize(QSize picture);
    // A float rounded to nearest, ties to even.
    static int roundHalfEven(double value);

    // The outline's rectangle at fraction t (0..1) of the way from `from` to `to`.
    static QRect animationFrame(const QRect &from, const QRect &to, double t);
};
