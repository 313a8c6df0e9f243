// Draws the six 64 x 25 skin pictures of the push button, pixel by pixel, so every run gives the same bytes.
#include "resources/art/SkinPainter.h"

namespace {

constexpr QRgb White = 0xffffffff;
constexpr QRgb Shade = 0xffc6c5d7; // the button's gradient colour opposite white

QRgb Mix(QRgb a, QRgb b, double t)
{
    auto channel = [t](int x, int y) { return int(x + (y - x) * t + 0.5); };
    return qRgb(channel(qRed(a), qRed(b)), channel(qGreen(a), qGreen(b)), channel(qBlue(a), qBlue(b)));
}

QRgb Darker(QRgb c, double factor)
{
    return qRgb(int(qRed(c) * factor + 0.5), int(qGreen(c) * factor + 0.5), int(qBlue(c) * factor + 0.5));
}

// How many pixels the rounded corner cuts off row `d` of a box (d counted from the nearer end).
int CornerInset(int d, int cut)
{
    return d < cut ? cut - d : 0;
}

} // namespace

SkinPainter::Palette SkinPainter::PaletteOf(Look look)
{
    switch (look) {
    case Look::Normal:
        return {0xff003c74, 0, 0, false, false};
    case Look::HighLight:
        return {0xff003c74, 0xffe59700, 0xfffcd38b, false, true};
    case Look::Pressed:
        return {0xff003c74, 0, 0, true, false};
    case Look::Disable:
        return {0xffc9c7ba, 0, 0, false, false};
    case Look::Selected:
        return {0xff003c74, 0xff6982ee, 0xffbcd4f6, false, false};
    }
    return {};
}

QRgb SkinPainter::FaceColour(const Palette &palette, int row)
{
    const double t = double(row) / (Height - 1);
    QRgb face = palette.shadeOnTop ? Mix(Shade, White, t) : Mix(White, Shade, t);
    return palette.pressed ? Darker(face, 0.86) : face;
}

// A one-pixel ring along the border of `box` whose corners are rounded: the straight runs stop `cut`
// pixels before each corner, a diagonal joins them, and the joins are partly mixed with what lies beneath.
void SkinPainter::DrawRoundedRing(QImage &image, QRect box, QRgb colour, int cut)
{
    auto plot = [&](int x, int y, double cover) {
        QRgb under = image.pixel(x, y);
        image.setPixel(x, y, cover >= 1.0 ? colour : Mix(under, colour, cover));
    };
    const int l = box.left(), r = box.right(), t = box.top(), b = box.bottom();
    for (int x = l + cut; x <= r - cut; ++x) {
        plot(x, t, 1.0);
        plot(x, b, 1.0);
    }
    for (int y = t + cut; y <= b - cut; ++y) {
        plot(l, y, 1.0);
        plot(r, y, 1.0);
    }
    // The diagonal steps of each corner.
    for (int i = 1; i < cut; ++i) {
        const int dx = i, dy = cut - i;
        plot(l + dx, t + dy, 1.0);
        plot(r - dx, t + dy, 1.0);
        plot(l + dx, b - dy, 1.0);
        plot(r - dx, b - dy, 1.0);
    }
    // Soften the joins between the straight runs and the diagonal.
    if (cut >= 2) {
        for (auto [x, y] : {std::pair{l + cut - 1, t}, {l, t + cut - 1}, {r - cut + 1, t}, {r, t + cut - 1},
                            {l + cut - 1, b}, {l, b - cut + 1}, {r - cut + 1, b}, {r, b - cut + 1}})
            plot(x, y, 0.45);
    }
}

void SkinPainter::FillRoundedFace(QImage &image, QRect box, const Palette &palette)
{
    const int cut = 2;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        const int d = std::min(y - box.top(), box.bottom() - y);
        const int inset = CornerInset(d, cut);
        for (int x = box.left() + inset; x <= box.right() - inset; ++x)
            image.setPixel(x, y, FaceColour(palette, y));
    }
}

QImage SkinPainter::Draw(Look look)
{
    const Palette palette = PaletteOf(look);
    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(Beige);

    // The pressed look sits one pixel further in, as if pushed into the dialog.
    const QRect outline = palette.pressed ? QRect(1, 1, Width - 2, Height - 2) : QRect(0, 0, Width, Height);
    FillRoundedFace(image, outline.adjusted(1, 1, -1, -1), palette);
    DrawRoundedRing(image, outline, palette.outline, 3);
    if (palette.outerRim)
        DrawRoundedRing(image, outline.adjusted(1, 1, -1, -1), palette.outerRim, 2);
    if (palette.innerRim)
        DrawRoundedRing(image, outline.adjusted(2, 2, -2, -2), palette.innerRim, 1);
    return image;
}
