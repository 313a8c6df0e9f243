// The saver's window system inside a daemon's X11 window; see HostWindowSystem.h.
#include "saver/HostWindowSystem.h"

#include "platform/ScreenshotProperty.h"
#include "platform/X11HostWindow.h"
#include "saver/HostedWindow.h"
#include "saver/MasterImage.h"

#include <QGuiApplication>

HostWindowSystem::HostWindowSystem(X11HostWindow &host, quint32 hostWindow, QSize hostPixels)
    : host_(host), hostWindow_(hostWindow), hostPixels_(hostPixels)
{
    connect(&host_, &X11HostWindow::ended, this, &SaverWindowSystem::surfaceLost);
}

QImage HostWindowSystem::desktopMaster(Place) { return MasterImage::sampleToMaster(ScreenshotProperty::open(hostWindow_).get()); }

std::unique_ptr<SaverSurface> HostWindowSystem::createSurface(Place)
{
    auto window = std::make_unique<HostedWindow>(host_, WId(hostWindow_), hostPixels_);
    window_ = window.get();
    connect(&host_, &X11HostWindow::resized, window.get(), &HostedWindow::fillHost);
    return window;
}

bool HostWindowSystem::watchSurfaces()
{
    if (window_ == nullptr || window_->winId() == 0)
        return false;
    QGuiApplication::sync(); // the server must see the child before the watch looks for it
    return host_.watch(window_->winId());
}

void HostWindowSystem::flush() { QGuiApplication::sync(); }
