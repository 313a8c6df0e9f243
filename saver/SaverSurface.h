// One surface the saver draws the tunnel on: a window over a monitor, or inside a host's window.
#pragma once

#include "saver/TunnelRenderer.h"

#include <QImage>

// Made by a SaverWindowSystem, already shown; owned by the saver runner, which prepares it once,
// draws every frame on it and releases it at the end. What happens to it (input, loss, exposure)
// is reported by the window system that made it. A surface follows its own size: each frame is
// drawn at the size the surface has then, in device pixels.
class SaverSurface
{
public:
    virtual ~SaverSurface() = default;

    // Creates the surface's GL context, sets the render state (drawn with `drawing`) and uploads
    // `master` (512 x 512) as the texture. False, with the reason on standard error, when no GL
    // context can be had.
    virtual bool prepare(const QImage &master, TunnelRenderer::Options drawing) = 0;
    // Draws the tunnel at `phase` and presents it; nothing without a context.
    virtual void drawFrame(double phase) = 0;
    // From the next frame on, the frame rate is shown over the tunnel with this figure.
    virtual void showFrameRate(double framesPerSecond) = 0;
    // True while some of the surface can be seen.
    virtual bool isShowing() const = 0;
    // True while a frame drawn now would not be shown because the surface waits for its
    // compositor (the last frame not yet taken, or no configure yet); the window system reports
    // the end of the wait by surfaceReady(). While every surface waits the runner draws nothing.
    virtual bool waitsForCompositor() const { return false; }
    // False once the surface has gone from under the saver (destroyed by another client, its host
    // gone): drawing on it then must not be tried.
    virtual bool stillThere() = 0;
    // The refresh rate of the screen it is on, in hertz; zero or less when unknown.
    virtual double refreshRate() const = 0;
    // Releases the GL context and whatever the surface holds of the input, and takes it off the
    // screen. Nothing is drawn on it afterwards.
    virtual void release() = 0;
};
