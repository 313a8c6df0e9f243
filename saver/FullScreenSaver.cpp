// The saver over every monitor; see FullScreenSaver.h.
#include "saver/FullScreenSaver.h"

#include "saver/ScreenWindowSystem.h"

int FullScreenSaver::run(const Settings &settings, DisplayPower *power, SaverRunner::Tuning tuning)
{
    ScreenWindowSystem windows({.grabInput = true, .captureDesktop = true});
    SaverRunner saver(settings, {.endOnInput = true}, windows, power, tuning);
    return saver.run();
}
