// An owned connection to the X server named by DISPLAY.
#include "platform/X11Display.h"

#include <X11/Xlib.h>

X11Display::X11Display() : display_(XOpenDisplay(nullptr)) {}

X11Display::~X11Display()
{
    if (display_)
        XCloseDisplay(display_);
}
