// The saver over every monitor: one window per screen, one animation, until input ends it.
#pragma once

#include "saver/SaverRunner.h"
#include "settings/Settings.h"

class DisplayPower;

// Each screen's window is frameless, override-redirect and on top, and grabs keyboard and
// pointer; the desktop source shows each screen's own part of the desktop, captured before any
// window shows. Any key or mouse button on any window, or the loss of one, ends the saver.
class FullScreenSaver
{
public:
    // Returns the exit status (0 at the end, 1 when no OpenGL context can be had). `power` tells
    // when the display sleeps (may be null: always on). Needs the application object.
    static int run(const Settings &settings, DisplayPower *power, SaverRunner::Tuning tuning = {});
};
