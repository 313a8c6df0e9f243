// The modes that draw natively on Wayland; see WaylandModes.h.
#include "app/WaylandModes.h"

#include "platform/InstanceLock.h"
#include "platform/TerminationSignals.h"
#include "saver/WaylandSaver.h"

#include <QCoreApplication>

#include <cstdio>

std::optional<int> WaylandModes::runSaver(CommandLine::Platform platform, bool x11Reachable, const Settings &settings,
                                          bool hidePointer, int argc, char **argv, const SaverRunner::Tuning &tuning)
{
    if (platform == CommandLine::Platform::X11)
        return std::nullopt;
    if (platform == CommandLine::Platform::Automatic && qgetenv("WAYLAND_DISPLAY").isEmpty()
        && qgetenv("WAYLAND_SOCKET").isEmpty())
        return std::nullopt;
    QString failure;
    const std::unique_ptr<WaylandSaver> saver = WaylandSaver::connect(WaylandSaver::Role::FullScreen, hidePointer, &failure);
    if (saver == nullptr) {
        if (platform == CommandLine::Platform::Automatic && x11Reachable)
            return std::nullopt;
        std::fprintf(stderr, "helixcavern: %s%s\n", qPrintable(failure),
                     platform == CommandLine::Platform::Automatic ? ", and there is no X display to draw on instead" : "");
        return 1;
    }
    InstanceLock lock;
    if (!lock.acquire())
        return 0;
    QCoreApplication app(argc, argv);
    return saver->run(settings, QByteArray(), nullptr, tuning);
}

int WaylandModes::runLockBackground(const Settings &settings, int argc, char **argv, TerminationSignals &terminations,
                                    const SaverRunner::Tuning &tuning)
{
    if (terminations.received() != 0)
        return 0;
    QString failure;
    const std::unique_ptr<WaylandSaver> saver = WaylandSaver::connect(WaylandSaver::Role::LockBackground, false, &failure);
    if (saver == nullptr) {
        std::fprintf(stderr, "helixcavern: %s\n", qPrintable(failure));
        return 1;
    }
    QCoreApplication app(argc, argv);
    return saver->run(settings, qgetenv("SWAYLOCK_PLUGIN_OUTPUT_NAME"), &terminations, tuning);
}
