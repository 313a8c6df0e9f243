// Draws the built-in wall: the tunnel's texture where there is no desktop picture and no picture file.
#pragma once

#include <QImage>

// A 512 x 512 wall of coloured stones in courses, each stone bevelled and set in dark mortar, so
// that the tunnel's streaming and twisting show plainly. The wall repeats seamlessly across both
// edges, as the texture wraps around the tube and along it. Drawn pixel by pixel from integer
// arithmetic, so every run gives the same bytes.
class WallPainter
{
public:
    static constexpr int Size = 512;
    static constexpr int Courses = 16;          // rows of stones
    static constexpr int StonesPerCourse = 16;
    static constexpr int Mortar = 3;            // pixels of mortar at the top and left of each stone
    static constexpr int Bevel = 3;

    static QImage Draw();

private:
    static QRgb StoneColour(int course, int stone);
    static QRgb Shade(QRgb colour, int percent);
};
