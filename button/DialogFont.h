// The settings dialog's font, which its skinned buttons were designed with as well.
#pragma once

#include <QFont>
#include <QString>

class DialogFont
{
public:
    // The family the dialog was designed with. Linux systems rarely have it, so font() maps it to
    // IPAPGothic (metric-compatible with it) and then to the system's other Japanese families.
    static QString family();
    // 9.75 points at the 96 dots per inch that the twips layout assumes: 13 pixels.
    static constexpr int PixelSize = 13;

    // family() at PixelSize, normal weight.
    static QFont font();
};
