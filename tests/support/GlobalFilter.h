// A relay between one Wayland client and the compositor that hides some of the compositor's globals from the client, to stand for a compositor without them.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <thread>

namespace wayland {

// Connects to the compositor's socket at `socketPath` and relays, on a thread of its own, every
// message and descriptor between it and clientEnd(), except the registry's announcements of the
// globals named in `hidden` (e.g. "zwlr_layer_shell_v1"). Hand clientEnd() to the client as its
// WAYLAND_SOCKET. The relay ends when either side closes, or with the object.
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

private:
    int clientEnd_ = -1;
    int relayEnd_ = -1;   // the relay's side of the client's connection
    int compositor_ = -1; // the relay's connection to the compositor
    std::thread thread_;
};

} // namespace wayland
