// The connection to the Wayland compositor: display, registry, the globals the saver uses, and its events on Qt's event loop.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;
class WaylandOutput;
class WaylandSeat;
struct wl_compositor;
struct wl_display;
struct wl_registry;
struct wl_shm;
struct wp_fractional_scale_manager_v1;
struct wp_viewporter;
struct zwlr_layer_shell_v1;
struct zwlr_screencopy_manager_v1;

// Connects as libwayland does (WAYLAND_SOCKET when set, else WAYLAND_DISPLAY or "wayland-0") and
// waits for the first announcement of the globals and outputs. From watch() on, its events are
// read whenever the display's descriptor is readable and the requests flushed before the event
// loop sleeps; outputs and seats announced later are bound as they come. The loss of the
// connection (the compositor gone, a protocol error) is reported once, by lost().
class WaylandConnection : public QObject
{
    Q_OBJECT

public:
    struct Needs {
        bool seats = true;       // bind the seats, for input
        bool hidePointer = true; // no cursor over the client's surfaces
    };

    explicit WaylandConnection(Needs needs);
    ~WaylandConnection() override;

    bool isConnected() const { return display_ != nullptr && !lost_; }
    // Why there is no connection, or why it was lost: one line without a newline.
    QString failure() const { return failure_; }
    wl_display *display() const { return display_; }
    wl_compositor *compositor() const { return compositor_; }
    wl_shm *shm() const { return shm_; }
    zwlr_layer_shell_v1 *layerShell() const { return layerShell_; }
    zwlr_screencopy_manager_v1 *screencopy() const { return screencopy_; }
    // Both null unless the compositor offers fractional scales and the viewports they need.
    wp_viewporter *viewporter() const { return fractionalScaleManager_ != nullptr ? viewporter_ : nullptr; }
    wp_fractional_scale_manager_v1 *fractionalScaleManager() const
    {
        return viewporter_ != nullptr ? fractionalScaleManager_ : nullptr;
    }
    // The outputs whose mode and scale are known, in the order the compositor announced them.
    QList<WaylandOutput *> outputs() const;
    QList<WaylandSeat *> seats() const;

    // Starts reading the events from Qt's event loop. Needs the application object.
    void watch();
    // Sends the requests and waits until the compositor has carried them out; false when lost.
    bool roundtrip();
    // Reads and dispatches events until `done` holds or `timeoutMs` have passed; false when it did
    // not come to hold (timed out or the connection was lost).
    bool dispatchUntil(const std::function<bool()> &done, int timeoutMs);
    void flush();

signals:
    void outputAdded(WaylandOutput *output);
    // Before the output is destroyed.
    void outputRemoved(WaylandOutput *output);
    void seatAdded(WaylandSeat *seat);
    void lost();

private:
    static void onGlobal(void *data, wl_registry *, uint32_t name, const char *interface, uint32_t version);
    static void onGlobalRemove(void *data, wl_registry *, uint32_t name);
    void readEvents();
    void dispatchPending();
    void announceReadyOutputs();
    void noticeLoss();

    const Needs needs_;
    wl_display *display_ = nullptr;
    wl_registry *registry_ = nullptr;
    wl_compositor *compositor_ = nullptr;
    wl_shm *shm_ = nullptr;
    zwlr_layer_shell_v1 *layerShell_ = nullptr;
    zwlr_screencopy_manager_v1 *screencopy_ = nullptr;
    wp_viewporter *viewporter_ = nullptr;
    wp_fractional_scale_manager_v1 *fractionalScaleManager_ = nullptr;
    std::vector<std::unique_ptr<WaylandOutput>> outputs_;
    std::vector<WaylandOutput *> announced_; // outputs reported by outputAdded (or present at the start)
    std::vector<std::unique_ptr<WaylandSeat>> seats_;
    QSocketNotifier *notifier_ = nullptr;
    bool watching_ = false;
    bool lost_ = false;
    QString failure_;
};
