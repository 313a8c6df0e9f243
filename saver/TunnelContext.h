// The GL context that draws the tunnel on one window: made once, a frame at a time, released in one place.
#pragma once

#include "saver/FrameRateOverlay.h"
#include "saver/TunnelRenderer.h"

#include <QImage>
#include <QSize>
#include <QSurfaceFormat>

#include <memory>

class QOpenGLContext;
class QWindow;

// The window may be one of the program's own or a foreign one that the toolkit wraps; either way it
// must have its native window (created, or wrapped) and the OpenGL surface type.
class TunnelContext
{
public:
    TunnelContext();
    ~TunnelContext();
    TunnelContext(const TunnelContext &) = delete;
    TunnelContext &operator=(const TunnelContext &) = delete;

    // The buffers the tunnel is presented with: RGB 8/8/8, depth 16, double buffering and swap
    // interval 1.
    static QSurfaceFormat format();

    // Creates a context of format() on `window`'s screen, makes it current on `window` (not owned,
    // kept until release()), sets the render state (drawn with `drawing`) and uploads `master`.
    // False, with the reason on standard error, when no GL context can be had.
    bool prepare(QWindow *window, const QImage &master, TunnelRenderer::Options drawing);
    // Draws the tunnel at `phase` over `pixels` (the window's size in device pixels) and presents
    // it; the viewport and the projection are set again whenever that size changed. Nothing
    // without a context.
    void drawFrame(double phase, QSize pixels);
    void showFrameRate(double framesPerSecond) { frameRate_.setRate(framesPerSecond); }
    // Frees what the overlay holds while the context can still be made current, then the context.
    void release();

private:
    QWindow *window_ = nullptr;
    std::unique_ptr<QOpenGLContext> context_;
    TunnelRenderer tunnel_;
    FrameRateOverlay frameRate_;
    QSize viewport_; // the size the projection was last set for
};
