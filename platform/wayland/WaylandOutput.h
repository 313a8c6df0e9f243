// One monitor of the Wayland compositor: its wl_output, name, current mode, scale and refresh rate.
#pragma once

#include <QByteArray>
#include <QSize>

#include <cstdint>

struct wl_output;

// Bound by WaylandConnection when the compositor announces the output; ready() once the first
// "done" event has come, so that the mode and scale are known.
class WaylandOutput
{
public:
    WaylandOutput(wl_output *output, std::uint32_t globalName);
    ~WaylandOutput();
    WaylandOutput(const WaylandOutput &) = delete;
    WaylandOutput &operator=(const WaylandOutput &) = delete;

    wl_output *get() const { return output_; }
    std::uint32_t globalName() const { return globalName_; }
    bool ready() const { return ready_; }
    // The name the compositor gives it (wl_output version 4), e.g. "HEADLESS-1"; empty when unknown.
    QByteArray name() const { return name_; }
    // The current mode in device pixels; empty when the output reported none.
    QSize modePixels() const { return mode_; }
    int scale() const { return scale_; }
    double refreshRate() const { return refreshMilliHertz_ / 1000.0; }

private:
    static void onGeometry(void *, wl_output *, int32_t, int32_t, int32_t, int32_t, int32_t, const char *,
                           const char *, int32_t);
    static void onMode(void *data, wl_output *, uint32_t flags, int32_t width, int32_t height, int32_t refresh);
    static void onDone(void *data, wl_output *);
    static void onScale(void *data, wl_output *, int32_t factor);
    static void onName(void *data, wl_output *, const char *name);
    static void onDescription(void *, wl_output *, const char *);

    wl_output *output_;
    const std::uint32_t globalName_;
    bool ready_ = false;
    QByteArray name_;
    QSize mode_;
    int scale_ = 1;
    int refreshMilliHertz_ = 0;
};
