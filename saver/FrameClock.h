// The saver's frame clock: one phase for every window, frames no faster than the screen refreshes,
// and none while the display sleeps.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class DisplayPower;

// Each frame() advances the phase by the step once; the owner draws and presents every window in
// its handler. The next frame follows at once when the last one took a whole refresh interval or
// more (a driver that waits for the retrace, or a slow frame); otherwise the clock waits out the
// rest of the interval itself, so drivers that ignore the swap interval do not race. A frame that
// comes late (a stopped and continued process) restarts the schedule instead of catching up. While
// the display power source says the display is off, no frame is drawn and the source is asked
// once a second; the phase resumes where it stood. A gate, when set, is asked before each frame:
// while it says no frame could be shown (every surface waits for its compositor), the clock holds
// without a timer, so the process sleeps, until resume() is called; the phase then goes on from
// where it stood.
class FrameClock : public QObject
{
    Q_OBJECT

public:
    static constexpr double DefaultRefreshRate = 60.0; // where the screen reports none
    static constexpr int PowerPollMs = 1000;

    // `power` may be null (the display counts as always on); it must outlive the clock.
    FrameClock(float phaseStep, DisplayPower *power, QObject *parent = nullptr);

    // Frames per second to pace to; zero or less means DefaultRefreshRate.
    void setRefreshRate(double hertz);
    double refreshRate() const { return refreshRate_; }
    // On: each frame follows the last at once, whatever the refresh rate (to measure the drawing).
    void setUnpaced(bool unpaced) { unpaced_ = unpaced; }
    // The first frame follows at once from the event loop.
    void start();
    void stop();
    bool isRunning() const { return running_; }
    // Asked before each frame; false holds the clock. Unset: every frame is drawn.
    void setGate(std::function<bool()> frameCanShow) { gate_ = std::move(frameCanShow); }
    // A held clock draws its next frame at once; a clock that is not held goes on as it was.
    void resume();
    bool isHeld() const { return held_; }
    double phase() const { return phase_; }
    qint64 framesDrawn() const { return frames_; }

signals:
    void frame(double phase);

private:
    void tick();
    bool displayOn();
    void scheduleNext(qint64 frameStartNs);

    const float phaseStep_;
    DisplayPower *const power_;
    double refreshRate_ = DefaultRefreshRate;
    bool unpaced_ = false;
    double phase_ = 0.0; // accumulated in double: a float would judder and then stop on long runs
    bool running_ = false;
    bool held_ = false;
    std::function<bool()> gate_;
    qint64 frames_ = 0;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 dueNs_ = 0;          // when the next frame may start
    qint64 lastPowerPollNs_ = -1;
    bool lastPowerOn_ = true;
};
