// The saver's frame clock; see FrameClock.h.
#include "saver/FrameClock.h"

#include "platform/DisplayPower.h"

#include <algorithm>

namespace {
constexpr qint64 NsPerMs = 1000000;
constexpr qint64 NsPerSecond = 1000000000;
} // namespace

FrameClock::FrameClock(float phaseStep, DisplayPower *power, QObject *parent)
    : QObject(parent), phaseStep_(phaseStep), power_(power)
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &FrameClock::tick);
    clock_.start();
}

void FrameClock::setRefreshRate(double hertz)
{
    refreshRate_ = hertz > 0.0 ? hertz : DefaultRefreshRate;
}

void FrameClock::start()
{
    if (running_)
        return;
    running_ = true;
    held_ = false;
    dueNs_ = clock_.nsecsElapsed();
    timer_.start(0);
}

void FrameClock::stop()
{
    running_ = false;
    held_ = false;
    timer_.stop();
}

void FrameClock::resume()
{
    if (!running_ || !held_)
        return;
    held_ = false;
    timer_.start(0);
}

bool FrameClock::displayOn()
{
    if (power_ == nullptr)
        return true;
    const qint64 now = clock_.nsecsElapsed();
    if (lastPowerPollNs_ < 0 || now - lastPowerPollNs_ >= PowerPollMs * NsPerMs) {
        lastPowerPollNs_ = now;
        lastPowerOn_ = power_->isOn();
    }
    return lastPowerOn_;
}

void FrameClock::tick()
{
    if (!running_)
        return;
    if (!displayOn()) {
        timer_.start(PowerPollMs);
        return;
    }
    if (gate_ && !gate_()) {
        held_ = true; // no timer: resume() brings the next frame
        return;
    }
    const qint64 start = clock_.nsecsElapsed();
    phase_ = phaseStep_ + phase_;
    ++frames_;
    emit frame(phase_);
    if (running_)
        scheduleNext(start);
}

void FrameClock::scheduleNext(qint64 frameStartNs)
{
    const qint64 interval = unpaced_ ? 0 : qint64(double(NsPerSecond) / refreshRate_);
    // Late by more than a frame (a slow frame, a sleep, a stopped process): start the schedule
    // afresh from this frame instead of drawing the missed ones in a burst.
    if (frameStartNs - dueNs_ > interval)
        dueNs_ = frameStartNs;
    dueNs_ += interval;
    const qint64 now = clock_.nsecsElapsed();
    const qint64 waitNs = std::max<qint64>(0, dueNs_ - now);
    timer_.start(int((waitNs + NsPerMs - 1) / NsPerMs));
}
