// The tunnel's window inside a host window that another program owns.
#pragma once

#include "saver/TunnelWindow.h"

#include <QSize>

class HostedWindow : public TunnelWindow
{
    Q_OBJECT

public:
    // A child of the foreign window `host` (made with QWindow::fromWinId; not owned).
    explicit HostedWindow(QWindow *host);

    // Fills the host, whose inside size is `hostPixels` in device pixels.
    void fillHost(QSize hostPixels);
};
