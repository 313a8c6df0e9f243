// The connection to the Wayland compositor; see WaylandConnection.h.
#include "platform/wayland/WaylandConnection.h"

#include "platform/wayland/WaylandOutput.h"
#include "platform/wayland/WaylandSeat.h"

#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <QAbstractEventDispatcher>
#include <QDeadlineTimer>
#include <QSocketNotifier>

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <poll.h>

namespace {
// The highest version of each global whose every event this client handles.
constexpr uint32_t CompositorVersion = 4;
constexpr uint32_t LayerShellVersion = 4;
constexpr uint32_t ScreencopyVersion = 3;
constexpr uint32_t OutputVersion = 4;

template <typename T>
T *bind(wl_registry *registry, uint32_t name, const wl_interface *interface, uint32_t offered, uint32_t highest)
{
    return static_cast<T *>(wl_registry_bind(registry, name, interface, std::min(offered, highest)));
}
// libwayland's own messages (a missing XDG_RUNTIME_DIR, say) would add lines of their own to the
// one line the program prints about the connection.
void dropMessage(const char *, va_list) {}
} // namespace

WaylandConnection::WaylandConnection(Needs needs) : needs_(needs)
{
    wl_log_set_handler_client(dropMessage);
    display_ = wl_display_connect(nullptr);
    if (display_ == nullptr) {
        const QByteArray socket = qgetenv("WAYLAND_SOCKET");
        const QByteArray name = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0")).toLocal8Bit();
        failure_ = QStringLiteral("cannot connect to the Wayland compositor (%1)")
                       .arg(socket.isEmpty() ? QStringLiteral("WAYLAND_DISPLAY=") + QString::fromLocal8Bit(name)
                                             : QStringLiteral("WAYLAND_SOCKET=") + QString::fromLocal8Bit(socket));
        return;
    }
    static const wl_registry_listener listener = {.global = &WaylandConnection::onGlobal,
                                                  .global_remove = &WaylandConnection::onGlobalRemove};
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &listener, this);
    // The first round brings the globals, the second the outputs' modes, scales and names.
    if (roundtrip() && roundtrip())
        announceReadyOutputs();
}

WaylandConnection::~WaylandConnection()
{
    delete notifier_;
    if (display_ == nullptr)
        return;
    seats_.clear();
    outputs_.clear();
    if (screencopy_ != nullptr)
        zwlr_screencopy_manager_v1_destroy(screencopy_);
    if (fractionalScaleManager_ != nullptr)
        wp_fractional_scale_manager_v1_destroy(fractionalScaleManager_);
    if (viewporter_ != nullptr)
        wp_viewporter_destroy(viewporter_);
    if (layerShell_ != nullptr) {
        if (zwlr_layer_shell_v1_get_version(layerShell_) >= ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION)
            zwlr_layer_shell_v1_destroy(layerShell_);
        else
            wl_proxy_destroy(reinterpret_cast<wl_proxy *>(layerShell_));
    }
    if (shm_ != nullptr)
        wl_shm_destroy(shm_);
    if (compositor_ != nullptr)
        wl_compositor_destroy(compositor_);
    wl_registry_destroy(registry_);
    wl_display_flush(display_);
    wl_display_disconnect(display_);
}

QList<WaylandOutput *> WaylandConnection::outputs() const { return QList<WaylandOutput *>(announced_.begin(), announced_.end()); }

QList<WaylandSeat *> WaylandConnection::seats() const
{
    QList<WaylandSeat *> seats;
    for (const auto &seat : seats_)
        seats.append(seat.get());
    return seats;
}

void WaylandConnection::onGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t version)
{
    auto *self = static_cast<WaylandConnection *>(data);
    const auto is = [interface](const wl_interface &known) { return std::strcmp(interface, known.name) == 0; };
    if (is(wl_compositor_interface) && self->compositor_ == nullptr) {
        self->compositor_ = bind<wl_compositor>(registry, name, &wl_compositor_interface, version, CompositorVersion);
    } else if (is(wl_shm_interface) && self->shm_ == nullptr) {
        self->shm_ = bind<wl_shm>(registry, name, &wl_shm_interface, version, 1);
    } else if (is(zwlr_layer_shell_v1_interface) && self->layerShell_ == nullptr) {
        self->layerShell_ = bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version, LayerShellVersion);
    } else if (is(zwlr_screencopy_manager_v1_interface) && self->screencopy_ == nullptr) {
        self->screencopy_ = bind<zwlr_screencopy_manager_v1>(registry, name, &zwlr_screencopy_manager_v1_interface,
                                                              version, ScreencopyVersion);
    } else if (is(wp_viewporter_interface) && self->viewporter_ == nullptr) {
        self->viewporter_ = bind<wp_viewporter>(registry, name, &wp_viewporter_interface, version, 1);
    } else if (is(wp_fractional_scale_manager_v1_interface) && self->fractionalScaleManager_ == nullptr) {
        self->fractionalScaleManager_ = bind<wp_fractional_scale_manager_v1>(
            registry, name, &wp_fractional_scale_manager_v1_interface, version, 1);
    } else if (is(wl_output_interface)) {
        auto *output = bind<wl_output>(registry, name, &wl_output_interface, version, OutputVersion);
        self->outputs_.push_back(std::make_unique<WaylandOutput>(output, name));
    } else if (is(wl_seat_interface) && self->needs_.seats) {
        auto *seat = bind<wl_seat>(registry, name, &wl_seat_interface, version, WaylandSeat::Version);
        self->seats_.push_back(std::make_unique<WaylandSeat>(seat, name, self->needs_.hidePointer));
        if (self->watching_)
            emit self->seatAdded(self->seats_.back().get());
    }
}

void WaylandConnection::onGlobalRemove(void *data, wl_registry *, uint32_t name)
{
    auto *self = static_cast<WaylandConnection *>(data);
    const auto output = std::find_if(self->outputs_.begin(), self->outputs_.end(),
                                     [name](const auto &o) { return o->globalName() == name; });
    if (output != self->outputs_.end()) {
        const auto announced = std::find(self->announced_.begin(), self->announced_.end(), output->get());
        if (announced != self->announced_.end()) {
            self->announced_.erase(announced);
            emit self->outputRemoved(output->get());
        }
        self->outputs_.erase(output);
        return;
    }
    const auto seat = std::find_if(self->seats_.begin(), self->seats_.end(), [name](const auto &s) { return s->globalName() == name; });
    if (seat != self->seats_.end())
        self->seats_.erase(seat);
}

void WaylandConnection::watch()
{
    if (!isConnected() || watching_)
        return;
    watching_ = true;
    notifier_ = new QSocketNotifier(wl_display_get_fd(display_), QSocketNotifier::Read);
    connect(notifier_, &QSocketNotifier::activated, this, &WaylandConnection::readEvents);
    // Requests made anywhere in the loop's work go out before it waits for the next event.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this, [this] {
        if (isConnected()) {
            dispatchPending();
            flush();
        }
    });
}

void WaylandConnection::readEvents()
{
    if (!isConnected())
        return;
    while (wl_display_prepare_read(display_) != 0) {
        if (wl_display_dispatch_pending(display_) < 0) {
            noticeLoss();
            return;
        }
    }
    if (wl_display_read_events(display_) < 0) {
        noticeLoss();
        return;
    }
    dispatchPending();
}

void WaylandConnection::dispatchPending()
{
    if (wl_display_dispatch_pending(display_) < 0) {
        noticeLoss();
        return;
    }
    announceReadyOutputs();
}

// Outputs that have become ready are reported from the event loop, outside every event handler,
// so that whoever hears of them may capture them and make surfaces at once.
void WaylandConnection::announceReadyOutputs()
{
    for (const auto &output : outputs_) {
        WaylandOutput *candidate = output.get();
        if (!candidate->ready() || std::find(announced_.begin(), announced_.end(), candidate) != announced_.end())
            continue;
        announced_.push_back(candidate);
        if (watching_) {
            const uint32_t name = candidate->globalName();
            QMetaObject::invokeMethod(this, [this, name] {
                const auto it = std::find_if(announced_.begin(), announced_.end(), [name](auto *o) { return o->globalName() == name; });
                if (it != announced_.end() && isConnected())
                    emit outputAdded(*it);
            }, Qt::QueuedConnection);
        }
    }
}

bool WaylandConnection::roundtrip()
{
    if (!isConnected())
        return false;
    if (wl_display_roundtrip(display_) < 0) {
        noticeLoss();
        return false;
    }
    return true;
}

bool WaylandConnection::dispatchUntil(const std::function<bool()> &done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (isConnected()) {
        dispatchPending();
        if (done())
            return true;
        if (!isConnected() || deadline.hasExpired())
            return false;
        flush();
        while (wl_display_prepare_read(display_) != 0)
            if (wl_display_dispatch_pending(display_) < 0) {
                noticeLoss();
                return false;
            }
        pollfd fd{wl_display_get_fd(display_), POLLIN, 0};
        const int ready = ::poll(&fd, 1, int(std::max<qint64>(deadline.remainingTime(), 0)));
        if (ready <= 0) {
            wl_display_cancel_read(display_);
            continue;
        }
        if (wl_display_read_events(display_) < 0)
            noticeLoss();
    }
    return false;
}

void WaylandConnection::flush()
{
    if (isConnected() && wl_display_flush(display_) < 0 && errno != EAGAIN)
        noticeLoss();
}

void WaylandConnection::noticeLoss()
{
    if (lost_ || display_ == nullptr)
        return;
    lost_ = true;
    const int error = wl_display_get_error(display_);
    if (error == EPROTO) {
        const wl_interface *interface = nullptr;
        uint32_t id = 0;
        const uint32_t code = wl_display_get_protocol_error(display_, &interface, &id);
        failure_ = QStringLiteral("the Wayland compositor refused a request (%1 error %2)")
                       .arg(QString::fromLatin1(interface != nullptr ? interface->name : "unknown"))
                       .arg(code);
    } else {
        failure_ = QStringLiteral("the connection to the Wayland compositor was lost");
    }
    if (notifier_ != nullptr)
        notifier_->setEnabled(false);
    emit lost();
}
