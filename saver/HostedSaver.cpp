// The saver inside a daemon's window; see HostedSaver.h.
#include "saver/HostedSaver.h"

#include "platform/TerminationSignals.h"
#include "platform/X11HostWindow.h"
#include "saver/HostWindowSystem.h"
#include "saver/ScreenWindowSystem.h"

#include <cstdio>

namespace {

// Runs `saver` until it ends, ending it with status 0 on a termination signal, also one caught
// before: that one ends it before the saver makes anything, or, once it has begun, as soon as the
// start reaches the event loop.
int runUntilSignalled(SaverRunner &saver, TerminationSignals &terminations)
{
    if (terminations.received() != 0)
        return 0;
    QObject::connect(&terminations, &TerminationSignals::requested, &saver, [&saver] { saver.end(0); });
    terminations.watch();
    return saver.run();
}

} // namespace

int HostedSaver::runInWindow(const Settings &settings, quint32 hostWindow, bool showFrameRate, DisplayPower *power,
                             TerminationSignals &terminations, SaverRunner::Tuning tuning)
{
    X11HostWindow host(hostWindow);
    const std::optional<QSize> hostSize = host.size();
    if (!hostSize) {
        std::fprintf(stderr, "helixcavern: there is no window 0x%lx to draw in\n", static_cast<unsigned long>(hostWindow));
        return 1;
    }
    if (!host.showsDrawing()) {
        std::fprintf(stderr, "helixcavern: window 0x%lx is input-only and cannot be drawn in\n",
                     static_cast<unsigned long>(hostWindow));
        return 1;
    }
    HostWindowSystem windows(host, hostWindow, *hostSize);
    const SaverRunner::Behaviour behaviour{
        .endOnInput = false, .framesOnlyWhileShowing = true, .showFrameRate = showFrameRate};
    SaverRunner saver(settings, behaviour, windows, power, tuning);
    return runUntilSignalled(saver, terminations);
}

int HostedSaver::runOnRoot(const Settings &settings, bool showFrameRate, DisplayPower *power,
                           TerminationSignals &terminations, SaverRunner::Tuning tuning)
{
    // No host leaves a picture of the desktop here, and the screen is not captured.
    ScreenWindowSystem windows({.grabInput = false, .captureDesktop = false});
    SaverRunner saver(settings, {.endOnInput = false, .showFrameRate = showFrameRate}, windows, power, tuning);
    return runUntilSignalled(saver, terminations);
}
