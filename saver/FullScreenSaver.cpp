// The saver over every monitor; see FullScreenSaver.h.
#include "saver/FullScreenSaver.h"

#include "picture/PictureFile.h"
#include "saver/BenchReport.h"
#include "saver/MasterImage.h"
#include "saver/SaverWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace {
constexpr int ExposeWaitMs = 2000; // longest wait for the first exposure before drawing anyway
} // namespace

FullScreenSaver::FullScreenSaver(const Settings &settings, Behaviour behaviour, DisplayPower *power)
    : settings_(settings), behaviour_(behaviour), clock_(settings.phaseStep(), power)
{
    connect(&clock_, &FrameClock::frame, this, &FullScreenSaver::drawFrame);
}

FullScreenSaver::~FullScreenSaver() = default;

int FullScreenSaver::run()
{
    HC_BENCH_STAGE("saver-entry");
    const QList<QScreen *> screens = QGuiApplication::screens();
    std::vector<QImage> sources;
    for (QScreen *screen : screens)
        sources.push_back(sourcePicture(screen));
    HC_BENCH_STAGE("source-picture");
    for (qsizetype i = 0; i < screens.size(); ++i) {
        if (!addWindow(screens[i], sources[std::size_t(i)]))
            return 1;
        sources[std::size_t(i)] = QImage(); // only the uploaded texture is needed from here on
    }
    HC_BENCH_STAGE("gl-state");
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &FullScreenSaver::addScreen);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &FullScreenSaver::removeScreen);
    clock_.setRefreshRate(fastestRefreshRate());
    // An override-redirect window is never activated by a window manager: its first exposure
    // starts the frames; without one in time, the saver draws anyway.
    QTimer::singleShot(ExposeWaitMs, this, &FullScreenSaver::startFrames);
    const bool exposed = std::any_of(windows_.begin(), windows_.end(), [](const auto &w) { return w->isExposed(); });
    if (exposed)
        QMetaObject::invokeMethod(this, &FullScreenSaver::startFrames, Qt::QueuedConnection);
    return loop_.exec();
}

// The screen's part of the desktop as it is now, taken before any saver window covers it; or the
// picture file, the same for every screen.
QImage FullScreenSaver::sourcePicture(QScreen *screen) const
{
    if (settings_.textureSource != Settings::Desktop)
        return PictureFile::decode(settings_.pictureFile);
    if (behaviour_.captureDesktop)
        return MasterImage::captureDesktop(screen, screen->geometry().size());
    return settings_.pictureFile.isEmpty() ? QImage() : PictureFile::decode(settings_.pictureFile);
}

bool FullScreenSaver::addWindow(QScreen *screen, const QImage &source)
{
    const QImage master = MasterImage::scaleToMaster(source);
    auto window = std::make_unique<SaverWindow>(screen, behaviour_.grabInput);
    SaverWindow *added = window.get();
    connect(added, &SaverWindow::lost, this, [this] { end(0); });
    if (behaviour_.endOnInput)
        connect(added, &SaverWindow::inputReceived, this, [this] { end(0); });
    connect(added, &TunnelWindow::exposureChanged, this, [this, added] {
        if (added->isExposed())
            startFrames();
    });
    windows_.push_back(std::move(window));
    added->setWindowState(Qt::WindowNoState);
    added->show(); // topmost comes with the window flags
    HC_BENCH_STAGE("shown");
    if (!added->prepare(master))
        return false;
    HC_BENCH_STAGE("context");
    return true;
}

void FullScreenSaver::addScreen(QScreen *screen)
{
    // The new monitor shows nothing of ours yet, so its part of the desktop can still be taken.
    if (!addWindow(screen, sourcePicture(screen)))
        end(1);
    clock_.setRefreshRate(fastestRefreshRate());
}

void FullScreenSaver::removeScreen(QScreen *screen)
{
    const auto gone = std::find_if(windows_.begin(), windows_.end(), [screen](const auto &w) { return w->screen() == screen; });
    if (gone == windows_.end())
        return;
    // Disconnected first: a window taken away with its monitor is not the saver's end.
    (*gone)->disconnect(this);
    (*gone)->releaseGrabs();
    windows_.erase(gone);
    clock_.setRefreshRate(fastestRefreshRate());
}

void FullScreenSaver::startFrames()
{
    if (ended_ || clock_.isRunning())
        return;
    HC_BENCH_STAGE("exposed");
    clock_.start();
}

void FullScreenSaver::drawFrame(double phase)
{
    for (const auto &window : windows_) {
        if (!window->stillThere()) {
            end(0);
            return;
        }
    }
    for (const auto &window : windows_)
        window->drawFrame(phase);
    HC_BENCH_FRAME(clock_.framesDrawn());
}

double FullScreenSaver::fastestRefreshRate() const
{
    double fastest = 0.0;
    for (const auto &window : windows_)
        if (window->screen())
            fastest = std::max(fastest, double(window->screen()->refreshRate()));
    return fastest;
}

void FullScreenSaver::end(int status)
{
    if (ended_)
        return;
    ended_ = true;
    clock_.stop();
    HC_BENCH_FINISHED(clock_.framesDrawn());
    for (const auto &window : windows_) {
        window->releaseContext();
        window->releaseGrabs();
        window->destroy();
    }
    // Nothing of the windows may stay on screen while the process ends.
    QGuiApplication::sync();
    loop_.exit(status);
}
