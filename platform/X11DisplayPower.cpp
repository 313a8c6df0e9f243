// The display's power state as the X server tells it; see X11DisplayPower.h.
#include "platform/X11DisplayPower.h"

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>

X11DisplayPower::X11DisplayPower(_XDisplay *display) : display_(display)
{
    if (display_ == nullptr)
        return;
    int event = 0;
    int error = 0;
    hasDpms_ = DPMSQueryExtension(display_, &event, &error) && DPMSCapable(display_);
    hasScreenSaver_ = XScreenSaverQueryExtension(display_, &event, &error);
}

bool X11DisplayPower::isOn()
{
    if (display_ == nullptr)
        return true;
    if (hasDpms_) {
        CARD16 level = DPMSModeOn;
        BOOL enabled = False;
        if (DPMSInfo(display_, &level, &enabled) && enabled && level != DPMSModeOn)
            return false;
    }
    if (hasScreenSaver_) {
        XScreenSaverInfo info{};
        // Blanked by the server itself (not by a client's saver window, which is ours to draw in).
        if (XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), &info) && info.state == ScreenSaverOn
            && info.kind == ScreenSaverBlanked)
            return false;
    }
    return true;
}
