// Looks for an open window by its exact caption, anywhere in the X11 window tree.
#pragma once

#include <QString>

class CaptionSearch
{
public:
    // True when some window under the root of the display named by DISPLAY has a _NET_WM_NAME
    // (UTF-8) or WM_NAME equal to `caption`, character for character. No display: false. Windows
    // that vanish while the tree is walked are passed over.
    static bool windowExists(const QString &caption);
};
