// The saver drawn natively on a Wayland compositor; see WaylandSaver.h.
#include "saver/WaylandSaver.h"

#include "platform/TerminationSignals.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandEgl.h"
#include "saver/WaylandWindowSystem.h"

#include <cstdio>

WaylandSaver::WaylandSaver(Role role, std::unique_ptr<WaylandConnection> connection)
    : role_(role), connection_(std::move(connection))
{
}

WaylandSaver::~WaylandSaver() = default;

std::unique_ptr<WaylandSaver> WaylandSaver::connect(Role role, bool hidePointer, QString *failure)
{
    auto connection = std::make_unique<WaylandConnection>(
        WaylandConnection::Needs{.seats = role == Role::FullScreen, .hidePointer = hidePointer});
    if (!connection->isConnected()) {
        *failure = connection->failure();
        return nullptr;
    }
    if (connection->compositor() == nullptr || connection->layerShell() == nullptr) {
        *failure = QStringLiteral("the Wayland compositor offers no layer shell (zwlr_layer_shell_v1)");
        return nullptr;
    }
    return std::unique_ptr<WaylandSaver>(new WaylandSaver(role, std::move(connection)));
}

int WaylandSaver::run(const Settings &settings, const QByteArray &outputName, TerminationSignals *terminations,
                      SaverRunner::Tuning tuning)
{
    const int status = runOnConnection(settings, outputName, terminations, tuning);
    connection_.reset(); // every surface and the connection released before the process ends
    return status;
}

int WaylandSaver::runOnConnection(const Settings &settings, const QByteArray &outputName,
                                  TerminationSignals *terminations, SaverRunner::Tuning tuning)
{
    const bool fullScreen = role_ == Role::FullScreen;
    const WaylandEgl egl(connection_->display());
    if (!egl.isValid()) {
        std::fprintf(stderr, "helixcavern: %s\n", qPrintable(egl.failure()));
        return 1;
    }
    connection_->watch();
    WaylandWindowSystem windows(*connection_, egl,
                                {.takeInput = fullScreen, .captureDesktop = fullScreen, .outputName = outputName});
    SaverRunner saver(settings, {.endOnInput = fullScreen}, windows, nullptr, tuning);
    QObject::connect(connection_.get(), &WaylandConnection::lost, &saver, [this, &saver, fullScreen] {
        if (!fullScreen) {
            saver.end(0); // the locker closed its connection: its background is no longer wanted
            return;
        }
        std::fprintf(stderr, "helixcavern: %s\n", qPrintable(connection_->failure()));
        saver.end(1);
    });
    if (terminations != nullptr) {
        if (terminations->received() != 0)
            return 0;
        QObject::connect(terminations, &TerminationSignals::requested, &saver, [&saver] { saver.end(0); });
        terminations->watch();
    }
    return saver.run();
}
