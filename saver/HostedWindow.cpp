// The tunnel's window inside a foreign host window; see HostedWindow.h.
#include "saver/HostedWindow.h"

#include "platform/X11ChildWindow.h"
#include "platform/X11HostWindow.h"

#include <QScreen>
#include <QWindow>

#include <cstdio>

HostedWindow::HostedWindow(const X11HostWindow &host, WId hostWindow, QSize hostPixels)
    : host_(host), child_(std::make_unique<X11ChildWindow>(hostWindow, TunnelContext::format(), hostPixels))
{
    if (child_->id() == 0)
        return;
    surface_.reset(QWindow::fromWinId(WId(child_->id())));
    if (surface_ != nullptr)
        surface_->setSurfaceType(QSurface::OpenGLSurface);
}

HostedWindow::~HostedWindow() { release(); }

WId HostedWindow::winId() const { return child_ != nullptr ? WId(child_->id()) : 0; }

void HostedWindow::fillHost(QSize hostPixels)
{
    if (child_ != nullptr)
        child_->resize(hostPixels);
}

bool HostedWindow::prepare(const QImage &master, TunnelRenderer::Options drawing)
{
    // Without a child the host is gone already: the watch that follows finds that and ends the saver.
    if (winId() == 0)
        return true;
    if (surface_ == nullptr) {
        std::fprintf(stderr, "helixcavern: the toolkit cannot draw on a window inside the host\n");
        return false;
    }
    return tunnel_.prepare(surface_.get(), master, drawing);
}

void HostedWindow::drawFrame(double phase)
{
    if (child_ != nullptr)
        tunnel_.drawFrame(phase, child_->size());
}

bool HostedWindow::isShowing() const { return host_.isWatching(); }

double HostedWindow::refreshRate() const
{
    const QScreen *screen = surface_ != nullptr ? surface_->screen() : nullptr;
    return screen != nullptr ? double(screen->refreshRate()) : 0.0;
}

void HostedWindow::release()
{
    tunnel_.release();
    surface_.reset();
    child_.reset();
}
