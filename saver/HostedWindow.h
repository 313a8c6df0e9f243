// The tunnel's window inside a host window that another program owns.
#pragma once

#include "saver/SaverSurface.h"
#include "saver/TunnelContext.h"

#include <QObject>
#include <QSize>
#include <QtGui/qwindowdefs.h>

#include <memory>

class QWindow;
class X11ChildWindow;
class X11HostWindow;

// A child X window of the host, made by the platform layer rather than by the toolkit (which would
// announce window-manager states for it to the root window, and daemons complain of such messages),
// and wrapped by the toolkit as a foreign window that the GL context draws on. The host's size
// comes in device pixels and the child takes it exactly. It shows while `host` embeds it: from a
// watch that found it mapped inside the host until the embedding ends, as the toolkit counts one
// of its own child windows exposed from its mapping to its unmapping.
class HostedWindow : public QObject, public SaverSurface
{
    Q_OBJECT

public:
    // A child of `hostWindow`, whose inside size is `hostPixels`, watched through `host` (which
    // must outlive this object). Shown at once.
    HostedWindow(const X11HostWindow &host, WId hostWindow, QSize hostPixels);
    ~HostedWindow() override;

    // The child's X window; 0 when none could be made (the host is gone).
    WId winId() const;
    // Fills the host, whose inside size is now `hostPixels` in device pixels.
    void fillHost(QSize hostPixels);

    bool prepare(const QImage &master, TunnelRenderer::Options drawing) override;
    void drawFrame(double phase) override;
    void showFrameRate(double framesPerSecond) override { tunnel_.showFrameRate(framesPerSecond); }
    bool isShowing() const override;
    bool stillThere() override { return true; }
    double refreshRate() const override;
    // Releases the GL context and destroys the child window.
    void release() override;

private:
    const X11HostWindow &host_;
    std::unique_ptr<X11ChildWindow> child_;
    std::unique_ptr<QWindow> surface_; // the toolkit's wrapper of child_, which the context draws on
    TunnelContext tunnel_;
};
