// One monitor of the Wayland compositor; see WaylandOutput.h.
#include "platform/wayland/WaylandOutput.h"

#include <wayland-client.h>

WaylandOutput::WaylandOutput(wl_output *output, std::uint32_t globalName) : output_(output), globalName_(globalName)
{
    static const wl_output_listener listener = {
        .geometry = &WaylandOutput::onGeometry,
        .mode = &WaylandOutput::onMode,
        .done = &WaylandOutput::onDone,
        .scale = &WaylandOutput::onScale,
        .name = &WaylandOutput::onName,
        .description = &WaylandOutput::onDescription,
    };
    wl_output_add_listener(output_, &listener, this);
}

WaylandOutput::~WaylandOutput()
{
    if (wl_output_get_version(output_) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
        wl_output_release(output_);
    else
        wl_output_destroy(output_);
}

void WaylandOutput::onGeometry(void *, wl_output *, int32_t, int32_t, int32_t, int32_t, int32_t, const char *,
                               const char *, int32_t)
{
}

void WaylandOutput::onMode(void *data, wl_output *, uint32_t flags, int32_t width, int32_t height, int32_t refresh)
{
    if ((flags & WL_OUTPUT_MODE_CURRENT) == 0)
        return;
    auto *self = static_cast<WaylandOutput *>(data);
    self->mode_ = width > 0 && height > 0 ? QSize(width, height) : QSize();
    self->refreshMilliHertz_ = refresh;
}

void WaylandOutput::onDone(void *data, wl_output *) { static_cast<WaylandOutput *>(data)->ready_ = true; }

void WaylandOutput::onScale(void *data, wl_output *, int32_t factor)
{
    static_cast<WaylandOutput *>(data)->scale_ = factor > 0 ? factor : 1;
}

void WaylandOutput::onName(void *data, wl_output *, const char *name) { static_cast<WaylandOutput *>(data)->name_ = name; }

void WaylandOutput::onDescription(void *, wl_output *, const char *) {}
