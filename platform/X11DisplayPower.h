// The display's power state as the X server tells it: DPMS and the server's own screen blanking.
#pragma once

#include "platform/DisplayPower.h"

struct _XDisplay;

class X11DisplayPower : public DisplayPower
{
public:
    // Asks through `display` (not owned; the toolkit's connection will do). Null: always on.
    explicit X11DisplayPower(_XDisplay *display);

    // Off while DPMS is enabled and the monitors are in standby, suspend or off, or while the
    // server's screen saver has blanked the screen. A server without these extensions is on.
    bool isOn() override;

private:
    _XDisplay *display_;
    bool hasDpms_ = false;
    bool hasScreenSaver_ = false;
};
