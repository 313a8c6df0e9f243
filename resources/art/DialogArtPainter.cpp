// Draws the settings dialog's built-in pictures: window icon, link pointer, heading plate, panel tile, option marks.
#include "resources/art/DialogArtPainter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <array>
#include <cmath>

namespace {

constexpr int IconSize = 32;
constexpr int PointerSize = 32;
constexpr QSize HeadingSize{95, 22};
constexpr QSize TileSize{563, 21};
constexpr int OptionSize = 12;

constexpr QRgb Black = 0xff000000;
constexpr QRgb White = 0xffffffff;
constexpr QRgb Transparent = 0x00000000;

// The hand of the link pointer as white rectangles (x, y, width, height); the black outline is every
// pixel outside the hand that touches it side by side. The index finger's outline tip is the hot spot.
constexpr std::array<QRect, 8> HandParts{{
    {11, 11, 3, 11},  // index finger
    {15, 16, 3, 6},   // middle finger
    {19, 17, 3, 5},   // ring finger
    {23, 18, 2, 4},   // little finger
    {11, 21, 14, 7},  // palm
    {8, 19, 3, 6},    // thumb
    {9, 25, 2, 1},    // thumb's root
    {12, 28, 12, 2},  // wrist
}};

bool InHand(int x, int y)
{
    for (const QRect &part : HandParts)
        if (part.contains(x, y))
            return true;
    return false;
}

} // namespace

QImage DialogArtPainter::Icon()
{
    QImage image(IconSize, IconSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // Rings shrinking towards a vanishing point that drifts sideways: the tunnel's twist.
    constexpr int rings = 9;
    const QPointF centre(15.5, 15.5);
    for (int i = 0; i < rings; ++i) {
        const double t = double(i) / rings;
        const double radius = 15.5 * (1.0 - t) + 1.0 * t;
        const QPointF shift(3.0 * std::sin(t * 3.2) * t, 2.0 * std::cos(t * 2.4) * t - 2.0 * t);
        const int light = int(60 + 170 * t);
        const QColor colour = (i % 2) ? QColor(40, light / 2, light) : QColor(light, light, 255);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(centre + shift, radius, radius);
    }
    p.setBrush(QColor(255, 255, 230));
    p.drawEllipse(centre + QPointF(2.2, -3.0), 1.6, 1.6);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 30, 80), 1.0));
    p.drawEllipse(centre, 15.0, 15.0);
    p.end();
    // A window icon carries at most 256 colours.
    return image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AutoColor)
        .convertToFormat(QImage::Format_ARGB32);
}

QImage DialogArtPainter::Pointer()
{
    QImage image(PointerSize, PointerSize, QImage::Format_ARGB32);
    for (int y = 0; y < PointerSize; ++y) {
        for (int x = 0; x < PointerSize; ++x) {
            const bool touches = InHand(x - 1, y) || InHand(x + 1, y) || InHand(x, y - 1) || InHand(x, y + 1);
            image.setPixel(x, y, InHand(x, y) ? White : touches ? Black : Transparent);
        }
    }
    // Creases that part the fingers over the palm.
    for (int x : {14, 18, 22})
        image.setPixel(x, 21, Black);
    return image;
}

QImage DialogArtPainter::HeadingPlate()
{
    QImage image(HeadingSize, QImage::Format_RGB32);
    image.fill(PanelColour());
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF plate(0.5, 0.5, HeadingSize.width() - 1.0, HeadingSize.height() - 1.0);
    QLinearGradient fill(0, 0, 0, HeadingSize.height());
    fill.setColorAt(0.0, QColor(255, 255, 255));
    fill.setColorAt(0.45, QColor(236, 240, 252));
    fill.setColorAt(1.0, QColor(196, 206, 236));
    p.setBrush(fill);
    p.setPen(QPen(QColor(92, 112, 168), 1.0));
    p.drawRoundedRect(plate, 4.0, 4.0);
    // A thin highlight under the top edge gives the plate some depth.
    p.setPen(QPen(QColor(255, 255, 255, 200), 1.0));
    p.drawLine(QPointF(4.0, 1.5), QPointF(HeadingSize.width() - 4.0, 1.5));
    p.end();
    return image;
}

QImage DialogArtPainter::PanelTile()
{
    QImage image(TileSize, QImage::Format_RGB32);
    const int w = TileSize.width(), h = TileSize.height();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            // A soft wave down each tile row and faint diagonal threads, both periodic in the tile.
            const double wave = std::cos(2.0 * M_PI * y / h);
            const bool thread = ((x + y) % 7) == 0;
            const int base = int(std::lround(234 + 4 * wave)) - (thread ? 5 : 0);
            image.setPixel(x, y, qRgb(base - 6, base - 4, std::min(255, base + 6)));
        }
    }
    return image;
}

QRgb DialogArtPainter::PanelColour()
{
    return qRgb(228, 230, 240);
}

QImage DialogArtPainter::OptionMark(bool chosen)
{
    constexpr int scale = 8; // drawn large and reduced, so the small circle is smooth
    QImage large(OptionSize * scale, OptionSize * scale, QImage::Format_RGB32);
    large.fill(PanelColour());
    QPainter p(&large);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(OptionSize * scale / 2.0, OptionSize * scale / 2.0);
    const double radius = 5.4 * scale;
    QRadialGradient face(centre - QPointF(2 * scale, 2 * scale), radius * 1.6);
    face.setColorAt(0.0, QColor(255, 255, 255));
    face.setColorAt(1.0, QColor(210, 214, 228));
    p.setBrush(face);
    p.setPen(QPen(QColor(28, 81, 128), 0.9 * scale));
    p.drawEllipse(centre, radius, radius);
    if (chosen) {
        QRadialGradient dot(centre - QPointF(scale, scale), 3.0 * scale);
        dot.setColorAt(0.0, QColor(120, 220, 110));
        dot.setColorAt(1.0, QColor(20, 130, 30));
        p.setPen(Qt::NoPen);
        p.setBrush(dot);
        p.drawEllipse(centre, 2.6 * scale, 2.6 * scale);
    }
    p.end();
    return large.scaled(OptionSize, OptionSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
