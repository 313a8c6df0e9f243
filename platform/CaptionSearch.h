// Looks for an open window by its exact caption, anywhere in the X11 window tree.
#pragma once

#include <QString>

struct _XDisplay;

class CaptionSearch
{
public:
    // True when some window under the root of `display` has a _NET_WM_NAME (UTF-8) or WM_NAME
    // equal to `caption`, character for character. A null display: false. Windows that vanish
    // while the tree is walked are passed over. The connection is left as it was found (its error
    // handler restored, nothing left pending).
    static bool windowExists(_XDisplay *display, const QString &caption);
    // The same on a connection of its own to the display named by DISPLAY, opened and closed for
    // this one search. Closing it may reset an X server that has no other client: a program that
    // asks several questions before its toolkit connects shares one connection instead.
    static bool windowExists(const QString &caption);
};
