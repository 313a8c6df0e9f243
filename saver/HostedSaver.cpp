// The saver inside a daemon's window; see HostedSaver.h.
#include "saver/HostedSaver.h"

#include "picture/PictureFile.h"
#include "platform/ScreenshotProperty.h"
#include "platform/TerminationSignals.h"
#include "platform/X11HostWindow.h"
#include "saver/FrameClock.h"
#include "saver/FullScreenSaver.h"
#include "saver/HostedWindow.h"
#include "saver/MasterImage.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>

#include <cstdio>

namespace {

// The daemon's picture of the desktop, else the picture file, else nothing (the plain wall).
QImage sourcePicture(const Settings &settings, quint32 hostWindow)
{
    if (settings.textureSource == Settings::Desktop) {
        const QImage screenshot = ScreenshotProperty::read(hostWindow);
        if (!screenshot.isNull())
            return screenshot;
    }
    return settings.pictureFile.isEmpty() ? QImage() : PictureFile::decode(settings.pictureFile);
}

} // namespace

int HostedSaver::runInWindow(const Settings &settings, quint32 hostWindow, DisplayPower *power)
{
    X11HostWindow host(hostWindow);
    const std::optional<QSize> hostSize = host.size();
    if (!hostSize) {
        std::fprintf(stderr, "helixcavern: there is no window 0x%lx to draw in\n", static_cast<unsigned long>(hostWindow));
        return 1;
    }
    const QImage master = MasterImage::scaleToMaster(sourcePicture(settings, hostWindow));

    HostedWindow window(QWindow::fromWinId(WId(hostWindow)));
    window.fillHost(*hostSize);
    window.show();
    if (!window.prepare(master))
        return 1;
    QGuiApplication::sync(); // the server must see the child before the watch looks for it

    QEventLoop loop;
    FrameClock clock(settings.phaseStep(), power);
    if (QScreen *screen = window.screen())
        clock.setRefreshRate(screen->refreshRate());
    bool ended = false;
    const auto end = [&] {
        if (ended)
            return;
        ended = true;
        clock.stop();
        window.releaseContext();
        window.destroy();
        QGuiApplication::sync();
        loop.exit(0);
    };
    QObject::connect(&clock, &FrameClock::frame, &window, [&window](double phase) { window.drawFrame(phase); });
    // Frames only while the child can be seen: an unmapped or covered host costs nothing.
    QObject::connect(&window, &TunnelWindow::exposureChanged, &window, [&window, &clock] {
        if (window.isExposed())
            clock.start();
        else
            clock.stop();
    });
    QObject::connect(&host, &X11HostWindow::resized, &window, &HostedWindow::fillHost);
    QObject::connect(&host, &X11HostWindow::ended, &loop, end);
    TerminationSignals signals_;
    QObject::connect(&signals_, &TerminationSignals::requested, &loop, end);
    if (!host.watch(window.winId()))
        return 0; // the host went away during the start
    if (window.isExposed())
        clock.start();
    return loop.exec();
}

int HostedSaver::runOnRoot(const Settings &settings, DisplayPower *power)
{
    // No host leaves a picture of the desktop here, and the screen is not captured.
    FullScreenSaver saver(settings, {.grabInput = false, .endOnInput = false, .captureDesktop = false}, power);
    TerminationSignals signals_;
    QObject::connect(&signals_, &TerminationSignals::requested, &saver, [&saver] { saver.end(0); });
    return saver.run();
}
