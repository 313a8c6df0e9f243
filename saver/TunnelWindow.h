// A window that shows the tunnel: its own GL context and renderer, one frame drawn on request.
#pragma once

#include "saver/TunnelRenderer.h"

#include <QImage>
#include <QWindow>

#include <memory>

class QOpenGLContext;

// The common part of the full-screen saver window and the window inside a host. It owns its GL
// context (created once by prepare(), released by releaseContext() or the destructor) and draws a
// frame for a phase that its owner gives, so that several windows can share one animation.
class TunnelWindow : public QWindow
{
    Q_OBJECT

public:
    explicit TunnelWindow(QWindow *parent = nullptr);
    ~TunnelWindow() override;

    // Creates the GL context for this window (RGB 8/8/8, depth 16, double buffer, swap interval 1),
    // sets the render state and uploads `master` (512 x 512) as the texture. The window should be
    // created (shown) first. False, with the reason on standard error, when no GL context can be had.
    bool prepare(const QImage &master);
    // Draws the tunnel at `phase` and presents it. The viewport and the projection follow the
    // window's size in device pixels, set again whenever it changed. Does nothing without a context.
    void drawFrame(double phase);
    void releaseContext();
    bool hasContext() const { return context_ != nullptr; }

    // The window's size in device pixels.
    QSize devicePixels() const { return size() * devicePixelRatio(); }

signals:
    // The window was exposed or hidden (isExposed() tells which).
    void exposureChanged();

protected:
    void exposeEvent(QExposeEvent *event) override;

private:
    std::unique_ptr<QOpenGLContext> context_;
    TunnelRenderer tunnel_;
    QSize viewport_; // the size the projection was last set for
};
