// The modes that draw natively on Wayland: the full-screen saver where a compositor with layer shell is reached, and the lock-screen background.
#pragma once

#include "app/CommandLine.h"
#include "saver/SaverRunner.h"
#include "settings/Settings.h"

#include <optional>

class TerminationSignals;

class WaylandModes
{
public:
    // The full-screen saver on Wayland when `platform` asks for it (Wayland), or allows it
    // (Automatic, with WAYLAND_DISPLAY or WAYLAND_SOCKET set) and the compositor offers layer
    // shell; nothing when the saver is to run on X11 instead. A forced Wayland that cannot be had,
    // or an automatic one with no X display to fall back on (`x11Reachable`), ends with one line
    // on standard error and status 1. While it runs it holds the instance lock; when another
    // process holds it, it ends at once with 0.
    static std::optional<int> runSaver(CommandLine::Platform platform, bool x11Reachable, const Settings &settings,
                                       bool hidePointer, int argc, char **argv, const SaverRunner::Tuning &tuning);
    // The background of a screen locker (swaylock-plugin): see WaylandSaver; `terminations` end it.
    // Without a compositor that offers layer shell, one line on standard error and status 1.
    static int runLockBackground(const Settings &settings, int argc, char **argv, TerminationSignals &terminations,
                                 const SaverRunner::Tuning &tuning);
};
