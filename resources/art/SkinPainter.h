// Draws the six 64 x 25 skin pictures of the push button, pixel by pixel, so every run gives the same bytes.
#pragma once

#include <QColor>
#include <QImage>

class SkinPainter
{
public:
    enum class Look { Normal, HighLight, Pressed, Disable, Selected };

    static constexpr int Width = 64;
    static constexpr int Height = 25;

    // The light beige of the dialog's face, shown outside the outline.
    static constexpr QRgb Beige = 0xffece9d8;

    // One skin; HighLightSelect uses the HighLight pixels.
    static QImage Draw(Look look);

private:
    struct Palette {
        QRgb outline;
        QRgb outerRim;   // 0: no rim
        QRgb innerRim;   // 0: no rim
        bool pressed;
        bool shadeOnTop; // face gradient direction, as the button paints it in this look
    };

    static Palette PaletteOf(Look look);
    static QRgb FaceColour(const Palette &palette, int row);
    static void DrawRoundedRing(QImage &image, QRect box, QRgb colour, int cut);
    static void FillRoundedFace(QImage &image, QRect box, const Palette &palette);
};
