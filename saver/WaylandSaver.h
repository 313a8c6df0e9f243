// The saver drawn natively on a Wayland compositor with layer shell: full screen over every output, or as a locker's background.
#pragma once

#include "saver/SaverRunner.h"
#include "settings/Settings.h"

#include <QByteArray>
#include <QString>

#include <memory>

class WaylandConnection;

// Full screen: an overlay layer surface per output with exclusive keyboard, each output's picture
// taken through screencopy before any surface maps; any key or button ends it with status 0, the
// loss of the compositor with 1. Lock background (the background program of swaylock-plugin): no
// seat and no input, never the desktop (the picture file, else the built-in wall), only the output
// named `outputName` when one is given; the connection's end ends it with status 0, and a signal of
// the caller's TerminationSignals releases everything (the caller then ends the process by it).
class TerminationSignals;

class WaylandSaver
{
public:
    enum class Role { FullScreen, LockBackground };

    ~WaylandSaver();

    // The compositor named by the environment (WAYLAND_SOCKET, else WAYLAND_DISPLAY); null, with
    // the reason in `failure` (one line), when none is reachable or it offers no layer shell.
    // Needs no application object.
    static std::unique_ptr<WaylandSaver> connect(Role role, bool hidePointer, QString *failure);

    // Covers the outputs and draws until the saver ends; returns the exit status. `terminations`
    // (may be null), installed by the caller before the connection was made, end the saver with
    // status 0 once every surface and the connection are released: one that came during the start
    // ends it at the event loop's first turn. Needs the application object (a QCoreApplication is
    // enough: nothing of Qt's window system is used).
    int run(const Settings &settings, const QByteArray &outputName, TerminationSignals *terminations,
            SaverRunner::Tuning tuning = {});

private:
    WaylandSaver(Role role, std::unique_ptr<WaylandConnection> connection);
    int runOnConnection(const Settings &settings, const QByteArray &outputName, TerminationSignals *terminations,
                        SaverRunner::Tuning tuning);

    const Role role_;
    std::unique_ptr<WaylandConnection> connection_;
};
