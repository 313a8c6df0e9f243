// The saver's run over the surfaces of a window system; see SaverRunner.h.
#include "saver/SaverRunner.h"

#include "picture/PictureFile.h"
#include "saver/MasterImage.h"
#include "saver/SaverProbe.h"

#include <QTimer>

#include <algorithm>

SaverRunner::SaverRunner(const Settings &settings, Behaviour behaviour, SaverWindowSystem &windows,
                         DisplayPower *power, Tuning tuning)
    : settings_(settings), behaviour_(behaviour), tuning_(tuning), windows_(windows),
      clock_(settings.phaseStep(), power)
{
    clock_.setUnpaced(tuning.unpaced);
    // While every surface waits for its compositor (an output that is off takes no frames), the
    // clock holds and the process sleeps; the phase then stands still, as nothing shows it.
    clock_.setGate([this] { return someSurfaceTakesFrames(); });
    connect(&windows_, &SaverWindowSystem::surfaceReady, &clock_, &FrameClock::resume);
    connect(&clock_, &FrameClock::frame, this, &SaverRunner::drawFrame);
    connect(&windows_, &SaverWindowSystem::surfaceLost, this, [this] { end(0); });
    connect(&windows_, &SaverWindowSystem::inputReceived, this, [this] {
        if (behaviour_.endOnInput)
            end(0);
    });
    connect(&windows_, &SaverWindowSystem::exposureChanged, this, &SaverRunner::followExposure);
}

SaverRunner::~SaverRunner() = default;

int SaverRunner::run()
{
    stage("saver-entry");
    const QList<Place> places = windows_.places();
    std::vector<QImage> masters;
    for (const Place place : places)
        masters.push_back(sourceMaster(place));
    pictureMaster_.reset();
    stage("source-picture");
    for (qsizetype i = 0; i < places.size(); ++i) {
        if (!addSurface(places[i], masters[std::size_t(i)]))
            return 1;
        masters[std::size_t(i)] = QImage(); // only the uploaded texture is needed from here on
    }
    stage("gl-state");
    if (!windows_.watchSurfaces())
        return 0; // a surface went away during the start
    connect(&windows_, &SaverWindowSystem::placeAdded, this, &SaverRunner::addPlace);
    connect(&windows_, &SaverWindowSystem::placeRemoved, this, &SaverRunner::removePlace);
    clock_.setRefreshRate(fastestRefreshRate());
    if (!behaviour_.framesOnlyWhileShowing) {
        // A window that no window manager activates may never be reported exposed: draw anyway.
        QTimer::singleShot(ExposeWaitMs, this, &SaverRunner::startFrames);
    }
    const bool showing = std::any_of(surfaces_.begin(), surfaces_.end(), [](const auto &s) { return s.second->isShowing(); });
    if (showing)
        QMetaObject::invokeMethod(this, &SaverRunner::startFrames, Qt::QueuedConnection);
    if (ended_)
        return status_;
    return loop_.exec();
}

// The desktop source shows the place's desktop; where the window system has none, the picture
// file when one is set, else the built-in wall. The picture source shows the file.
QImage SaverRunner::sourceMaster(Place place)
{
    if (settings_.textureSource == Settings::Desktop) {
        const QImage desktop = windows_.desktopMaster(place);
        if (!desktop.isNull())
            return desktop;
    }
    if (settings_.pictureFile.isEmpty())
        return MasterImage::builtInWall();
    return pictureMaster();
}

// A picture that cannot be decoded gives the plain wall.
QImage SaverRunner::pictureMaster()
{
    if (!pictureMaster_)
        pictureMaster_ = MasterImage::scaleToMaster(PictureFile::decode(settings_.pictureFile));
    return *pictureMaster_;
}

bool SaverRunner::addSurface(Place place, const QImage &master)
{
    std::unique_ptr<SaverSurface> surface = windows_.createSurface(place);
    SaverSurface *added = surface.get();
    surfaces_.emplace_back(place, std::move(surface));
    stage("shown");
    if (!added->prepare(master, tuning_.drawing))
        return false;
    stage("context");
    return true;
}

void SaverRunner::addPlace(Place place)
{
    if (ended_)
        return;
    // The new place shows nothing of ours yet, so its desktop can still be taken.
    const bool added = addSurface(place, sourceMaster(place));
    pictureMaster_.reset();
    if (!added) {
        end(1);
        return;
    }
    clock_.setRefreshRate(fastestRefreshRate());
    clock_.resume();
}

void SaverRunner::removePlace(Place place)
{
    const auto gone = std::find_if(surfaces_.begin(), surfaces_.end(), [place](const auto &s) { return s.first == place; });
    if (gone == surfaces_.end())
        return;
    // A surface taken away with its monitor is not the saver's end.
    gone->second->release();
    surfaces_.erase(gone);
    clock_.setRefreshRate(fastestRefreshRate());
}

void SaverRunner::followExposure()
{
    const bool showing = std::any_of(surfaces_.begin(), surfaces_.end(), [](const auto &s) { return s.second->isShowing(); });
    if (showing)
        startFrames();
    else if (behaviour_.framesOnlyWhileShowing)
        clock_.stop();
}

void SaverRunner::startFrames()
{
    if (ended_ || clock_.isRunning())
        return;
    stage("exposed");
    rateClock_.invalidate(); // a pause is not counted in the frame rate
    clock_.start();
}

void SaverRunner::drawFrame(double phase)
{
    for (const auto &surface : surfaces_) {
        if (!surface.second->stillThere()) {
            end(0);
            return;
        }
    }
    measureFrameRate();
    for (const auto &surface : surfaces_)
        surface.second->drawFrame(phase);
    if (tuning_.probe != nullptr)
        tuning_.probe->framePresented(clock_.framesDrawn());
}

void SaverRunner::measureFrameRate()
{
    if (!behaviour_.showFrameRate)
        return;
    constexpr qint64 NsPerSecond = 1000000000;
    if (!rateClock_.isValid()) {
        rateClock_.start();
        rateFrames_ = 0;
        return;
    }
    ++rateFrames_;
    const qint64 elapsed = rateClock_.nsecsElapsed();
    if (elapsed < NsPerSecond)
        return;
    const double rate = double(rateFrames_) * double(NsPerSecond) / double(elapsed);
    for (const auto &surface : surfaces_)
        surface.second->showFrameRate(rate);
    rateClock_.start();
    rateFrames_ = 0;
}

bool SaverRunner::someSurfaceTakesFrames() const
{
    return std::any_of(surfaces_.begin(), surfaces_.end(), [](const auto &s) { return !s.second->waitsForCompositor(); });
}

double SaverRunner::fastestRefreshRate() const
{
    double fastest = 0.0;
    for (const auto &surface : surfaces_)
        fastest = std::max(fastest, surface.second->refreshRate());
    return fastest;
}

void SaverRunner::stage(const char *name) const
{
    if (tuning_.probe != nullptr)
        tuning_.probe->stage(name);
}

void SaverRunner::end(int status)
{
    if (ended_)
        return;
    ended_ = true;
    status_ = status;
    clock_.stop();
    if (tuning_.probe != nullptr)
        tuning_.probe->finished(clock_.framesDrawn());
    for (const auto &surface : surfaces_)
        surface.second->release();
    // Nothing of the surfaces may stay on screen while the process ends.
    windows_.flush();
    loop_.exit(status);
}
