// The saver's window system on X11 monitors; see ScreenWindowSystem.h.
#include "saver/ScreenWindowSystem.h"

#include "platform/X11DesktopCapture.h"
#include "saver/MasterImage.h"
#include "saver/SaverWindow.h"

#include <QGuiApplication>
#include <QScreen>

ScreenWindowSystem::ScreenWindowSystem(Options options) : options_(options)
{
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen *screen) { emit placeAdded(placeOf(screen)); });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this](QScreen *screen) { emit placeRemoved(placeOf(screen)); });
}

QList<SaverWindowSystem::Place> ScreenWindowSystem::places() const
{
    QList<Place> places;
    for (QScreen *screen : QGuiApplication::screens())
        places.append(placeOf(screen));
    return places;
}

// The screen's part of the desktop as it is now, taken before any saver window covers it.
QImage ScreenWindowSystem::desktopMaster(Place place)
{
    if (!options_.captureDesktop)
        return {};
    QScreen *screen = screenOf(place);
    return MasterImage::sampleToMaster(X11DesktopCapture::open(screen, screen->geometry().size()).get());
}

std::unique_ptr<SaverSurface> ScreenWindowSystem::createSurface(Place place)
{
    auto window = std::make_unique<SaverWindow>(screenOf(place), options_.grabInput);
    connect(window.get(), &SaverWindow::lost, this, &SaverWindowSystem::surfaceLost);
    connect(window.get(), &SaverWindow::inputReceived, this, &SaverWindowSystem::inputReceived);
    connect(window.get(), &TunnelWindow::exposureChanged, this, &SaverWindowSystem::exposureChanged);
    window->setWindowState(Qt::WindowNoState);
    window->show(); // topmost comes with the window flags
    return window;
}

void ScreenWindowSystem::flush() { QGuiApplication::sync(); }
