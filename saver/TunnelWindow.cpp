// A window that shows the tunnel; see TunnelWindow.h.
#include "saver/TunnelWindow.h"

#include <QScreen>

TunnelWindow::TunnelWindow(QWindow *parent) : QWindow(parent)
{
    setSurfaceType(QSurface::OpenGLSurface);
    setFormat(TunnelContext::format());
}

TunnelWindow::~TunnelWindow() { tunnel_.release(); }

bool TunnelWindow::prepare(const QImage &master, TunnelRenderer::Options drawing)
{
    return tunnel_.prepare(this, master, drawing);
}

void TunnelWindow::drawFrame(double phase) { tunnel_.drawFrame(phase, devicePixels()); }

void TunnelWindow::exposeEvent(QExposeEvent *event)
{
    QWindow::exposeEvent(event);
    emit exposureChanged();
}

void TunnelWindow::release()
{
    tunnel_.release();
    destroy();
}

double TunnelWindow::refreshRate() const
{
    const QScreen *own = screen();
    return own != nullptr ? double(own->refreshRate()) : 0.0;
}
