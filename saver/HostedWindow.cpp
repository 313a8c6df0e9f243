// The tunnel's window inside a foreign host window; see HostedWindow.h.
#include "saver/HostedWindow.h"

#include <cmath>

HostedWindow::HostedWindow(QWindow *host) : TunnelWindow(host)
{
    setFlags(Qt::Widget | Qt::FramelessWindowHint);
}

void HostedWindow::fillHost(QSize hostPixels)
{
    // Qt places child windows in device-independent pixels; the host's size comes in device pixels.
    const qreal ratio = devicePixelRatio();
    setGeometry(0, 0, int(std::ceil(hostPixels.width() / ratio)), int(std::ceil(hostPixels.height() / ratio)));
}
