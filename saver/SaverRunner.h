// The saver's run over the surfaces of a window system: one animation, the texture source, the end.
#pragma once

#include "saver/FrameClock.h"
#include "saver/SaverWindowSystem.h"
#include "saver/TunnelRenderer.h"
#include "settings/Settings.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QObject>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class DisplayPower;
class SaverProbe;

class SaverRunner : public QObject
{
    Q_OBJECT

public:
    struct Behaviour {
        bool endOnInput = true; // any key or mouse button on any surface ends the saver
        // On: frames only while some surface is showing, so a hidden host costs nothing. Off: the
        // frames start at the first exposure (or, without one, after ExposeWaitMs) and go on.
        bool framesOnlyWhileShowing = false;
        // The frame rate, measured over each second of frames, shown in a corner of every surface.
        bool showFrameRate = false;
    };
    // How the frames are drawn and measured: the defaults are the saver's; benchmarks change them.
    struct Tuning {
        TunnelRenderer::Options drawing;
        bool unpaced = false;         // frames back to back instead of paced to the screen
        SaverProbe *probe = nullptr;  // told the stages and frames, when given
    };
    static constexpr int ExposeWaitMs = 2000;

    // `windows` and `power` (may be null: the display counts as always on) must outlive the runner.
    SaverRunner(const Settings &settings, Behaviour behaviour, SaverWindowSystem &windows, DisplayPower *power,
                Tuning tuning);
    ~SaverRunner() override;

    // Covers every place and draws until the saver ends; returns the exit status: 0 when input or
    // the loss of a surface ended it (or end() was called), 1 when no OpenGL context can be had.
    // Order of the start: the master image of every place is taken (from its desktop, or the
    // picture file) before any surface is made; then, place by place, the surface is made and
    // shown, and its GL context and state prepared. Places added later get a surface (their master
    // taken first); removed ones lose theirs.
    int run();
    // Ends the saver with `status`: stops the frames, releases every surface and leaves run().
    void end(int status);

    // The frames drawn so far and the phase they reached.
    const FrameClock &clock() const { return clock_; }

private:
    using Place = SaverWindowSystem::Place;

    QImage sourceMaster(Place place);
    QImage pictureMaster();
    bool addSurface(Place place, const QImage &master);
    void addPlace(Place place);
    void removePlace(Place place);
    void followExposure();
    void startFrames();
    void drawFrame(double phase);
    void measureFrameRate();
    bool someSurfaceTakesFrames() const;
    double fastestRefreshRate() const;
    void stage(const char *name) const;

    const Settings settings_;
    const Behaviour behaviour_;
    const Tuning tuning_;
    SaverWindowSystem &windows_;
    FrameClock clock_;
    std::vector<std::pair<Place, std::unique_ptr<SaverSurface>>> surfaces_;
    QElapsedTimer rateClock_;  // since the first frame of the second being measured
    qint64 rateFrames_ = 0;
    std::optional<QImage> pictureMaster_; // the picture file's master, made once for the places of the start
    QEventLoop loop_;
    bool ended_ = false;
    int status_ = 0;
};
