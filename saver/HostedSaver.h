// The saver inside a window that a screen-saver daemon gives it (XScreenSaver, xsecurelock, MATE).
#pragma once

#include "saver/SaverRunner.h"
#include "settings/Settings.h"

#include <QtGlobal>

class DisplayPower;
class TerminationSignals;

// The daemon owns the screen, the input and the pointer: the hosted saver grabs nothing, never ends
// on input and never hides the pointer. It draws into a child window that fills the host and follows
// its size, only while that child is exposed. It ends (status 0) when the host is destroyed or on a
// signal of `terminations`, whose handlers its caller installed before the start: a signal that
// came during the start ends it as soon as the start reaches the event loop. Its desktop picture is
// the one the daemon leaves on the host (_SCREENSAVER_SCREENSHOT); without one, the picture file
// when one is set, else the built-in wall. It never captures the screen: the host already covers it.
class HostedSaver
{
public:
    // Runs inside window `hostWindow`; returns the exit status (1 when the window does not exist,
    // takes only input, or no OpenGL context can be had). `showFrameRate`: the frame rate in a
    // corner. Needs the application object.
    static int runInWindow(const Settings &settings, quint32 hostWindow, bool showFrameRate, DisplayPower *power,
                           TerminationSignals &terminations, SaverRunner::Tuning tuning = {});
    // Without a host window: full-screen windows of its own on every monitor, as the saver draws
    // them, but without grabs and without ending on input.
    static int runOnRoot(const Settings &settings, bool showFrameRate, DisplayPower *power,
                         TerminationSignals &terminations, SaverRunner::Tuning tuning = {});
};
