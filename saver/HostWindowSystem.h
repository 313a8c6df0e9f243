// The saver's window system inside a daemon's X11 window: one child window that fills the host.
#pragma once

#include "saver/SaverWindowSystem.h"

#include <QSize>

class HostedWindow;
class X11HostWindow;

// One place, the host. Its desktop picture is the one the daemon leaves on the host
// (_SCREENSAVER_SCREENSHOT); the screen itself is never captured, as the host already covers it.
// The surface is a HostedWindow that follows the host's size; it shows while the host's watch
// holds, and is lost when the host is destroyed or the child is taken from it.
class HostWindowSystem : public SaverWindowSystem
{
    Q_OBJECT

public:
    // `host` must exist (its inside size `hostPixels`) and outlive this object.
    HostWindowSystem(X11HostWindow &host, quint32 hostWindow, QSize hostPixels);

    QList<Place> places() const override { return {HostPlace}; }
    QImage desktopMaster(Place place) override;
    std::unique_ptr<SaverSurface> createSurface(Place place) override;
    bool watchSurfaces() override;
    void flush() override;

private:
    static constexpr Place HostPlace = 1;

    X11HostWindow &host_;
    const quint32 hostWindow_;
    const QSize hostPixels_;
    HostedWindow *window_ = nullptr; // the surface made last (owned by the runner)
};
