// A foreign window that hosts an embedded one: its size, and the moment the embedding ends.
#pragma once

#include <QObject>
#include <QSize>

#include <optional>

#include "platform/X11Display.h"
#include "platform/X11ErrorTrap.h"

class QSocketNotifier;

// Talks to the X server through a connection of its own, so it never disturbs the toolkit's.
// X errors caused by windows that vanish under it are expected and kept silent.
class X11HostWindow : public QObject
{
    Q_OBJECT
public:
    using WindowId = unsigned long;

    explicit X11HostWindow(WindowId host, QObject *parent = nullptr);

    // Inside size of the host (its border excluded) in pixels; nothing when there is no X server
    // or the id names no window.
    std::optional<QSize> size() const;
    // True when what is drawn inside the host can show: it is an InputOutput window. An InputOnly
    // one has no pixels, and the server refuses windows with pixels inside it.
    bool showsDrawing() const;

    // True when `window` is, as the server sees it now, a child of the host.
    bool holdsChild(WindowId window) const;

    // Starts watching `embedded`, which must already be a mapped child of the host (the server
    // must have seen the requests that made it so). ended() is emitted once, from the event loop,
    // when the host is destroyed, or when `embedded` is destroyed, unmapped or taken away to
    // another parent. Unmapping the host alone is not an end: the embedded window shows again
    // when the host is mapped again. Returns false (and emits nothing) when the host or
    // `embedded` is already gone, or `embedded` is not the host's child or is unmapped: the
    // embedding ended before the watch began.
    bool watch(WindowId embedded);
    // True from a watch() that returned true until ended(): the embedded window is a mapped child
    // of the host, as far as the events read so far tell.
    bool isWatching() const { return notifier_ != nullptr && !ended_; }

signals:
    void ended();
    // The host's inside size changed (pixels), as reported while watching.
    void resized(QSize size);

private:
    void readEvents();
    bool isMapped(WindowId window) const;

    X11Display display_;
    X11ErrorTrap errors_; // ends before the connection closes
    WindowId host_;
    WindowId embedded_ = 0;
    QSocketNotifier *notifier_ = nullptr;
    bool ended_ = false;
};
