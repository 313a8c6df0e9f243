// A window of the toolkit's X11 connection inside a foreign window, made for OpenGL to draw on.
#pragma once

#include <QSize>
#include <QSurfaceFormat>

// The toolkit announces window-manager states to the root window for every window it makes, its
// child windows too; this one is made with plain requests, so nothing is sent to the root window
// for it. Its visual is the one the toolkit's GLX integration chooses for a context of the
// same format, so such a context can be made current on it (wrapped with QWindow::fromWinId). It
// selects no events: input goes on to the host, and its end is watched from elsewhere
// (X11HostWindow). No request about it leaves an X error for the toolkit to log, also once its
// host is gone.
class X11ChildWindow
{
public:
    using WindowId = unsigned long;

    // Makes and maps a child of `host` at its origin, `pixels` large, without border or
    // background (the host's pixels stay until the first frame). id() is 0 when that fails: no
    // X11 connection, no visual for `format`, or no such host.
    X11ChildWindow(WindowId host, const QSurfaceFormat &format, QSize pixels);
    // Destroys the window, unless the server has already done so with its host.
    ~X11ChildWindow();
    X11ChildWindow(const X11ChildWindow &) = delete;
    X11ChildWindow &operator=(const X11ChildWindow &) = delete;

    WindowId id() const { return window_; }
    // The size in pixels last asked for.
    QSize size() const { return size_; }
    void resize(QSize pixels);

private:
    WindowId window_ = 0;
    unsigned long colormap_ = 0;
    QSize size_;
};
