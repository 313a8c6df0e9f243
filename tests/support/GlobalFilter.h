// A relay between one Wayland client and the compositor that hides some of the compositor's globals from the client, to stand for a compositor without them.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace wayland {

// Connects to the compositor's socket at `socketPath` and relays, on a thread of its own, every
// message and descriptor between it and clientEnd(), except the registry's announcements of the
// globals named in `hidden` (e.g. "zwlr_layer_shell_v1"). Hand clientEnd() to the client as its
// WAYLAND_SOCKET. The relay ends when either side closes, or with the object. It can also tell the
// client that a global is gone, as a compositor does when a monitor is unplugged (sway 1.7's
// headless outputs cannot be taken away).
class GlobalFilter
{
public:
    GlobalFilter(const QString &socketPath, const QList<QByteArray> &hidden);
    ~GlobalFilter();
    GlobalFilter(const GlobalFilter &) = delete;
    GlobalFilter &operator=(const GlobalFilter &) = delete;

    bool isRelaying() const { return thread_.joinable(); }
    int clientEnd() const { return clientEnd_; }
    // Once the client has its own copy of clientEnd(): the relay then sees the client's end.
    void closeClientEnd();
    // Tells the client that the `index`-th global of `interface` announced to it (0: the first)
    // is gone; the compositor is not told. False when there is no such global.
    bool removeGlobal(const QByteArray &interface, int index);

private:
    std::mutex mutex_;
    std::vector<std::pair<QByteArray, std::uint32_t>> announced_; // interface and name, in order
    int clientEnd_ = -1;
    int relayEnd_ = -1;   // the relay's side of the client's connection
    int compositor_ = -1; // the relay's connection to the compositor
    int removals_[2] = {-1, -1}; // a pipe: the names of globals to report gone
    std::thread thread_;
};

} // namespace wayland
