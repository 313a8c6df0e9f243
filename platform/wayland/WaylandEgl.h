// EGL on a Wayland connection: the display, the tunnel's config (RGB 8/8/8, no alpha, depth 16) and desktop-GL contexts.
#pragma once

#include <QString>

#include <EGL/egl.h>

struct wl_display;

// Desktop OpenGL (eglBindAPI(EGL_OPENGL_API)) with a context of no particular version, which
// Mesa and the other drivers give as a compatibility context: the fixed-function pipeline the
// renderer draws with. The config is opaque (no alpha), so the compositor never shows the desktop
// through the tunnel's clear colour.
class WaylandEgl
{
public:
    explicit WaylandEgl(wl_display *display);
    ~WaylandEgl();
    WaylandEgl(const WaylandEgl &) = delete;
    WaylandEgl &operator=(const WaylandEgl &) = delete;

    bool isValid() const { return config_ != nullptr; }
    // Why EGL cannot be had: one line without a newline.
    QString failure() const { return failure_; }
    EGLDisplay display() const { return display_; }
    EGLConfig config() const { return config_; }
    // A new context of its own (no sharing); EGL_NO_CONTEXT when none can be had.
    EGLContext createContext() const;

private:
    EGLConfig chooseConfig();

    EGLDisplay display_ = EGL_NO_DISPLAY;
    EGLConfig config_ = nullptr;
    QString failure_;
};
