// A window that shows the tunnel: its own GL context and renderer, one frame drawn on request.
#pragma once

#include "saver/SaverSurface.h"
#include "saver/TunnelContext.h"

#include <QImage>
#include <QWindow>

// A saver surface that is a window of the program's own on X11 (the full-screen saver window
// builds on it). It owns its GL context (created once by prepare(), released by release() or the
// destructor) and draws a frame for a phase that its owner gives, so that several windows can
// share one animation. Its GL context has RGB 8/8/8, depth 16, double buffering and swap interval 1.
class TunnelWindow : public QWindow, public SaverSurface
{
    Q_OBJECT

public:
    explicit TunnelWindow(QWindow *parent = nullptr);
    ~TunnelWindow() override;

    // The window should be created (shown) first.
    bool prepare(const QImage &master, TunnelRenderer::Options drawing) override;
    // The viewport and the projection follow the window's size in device pixels, set again
    // whenever it changed.
    void drawFrame(double phase) override;
    void showFrameRate(double framesPerSecond) override { tunnel_.showFrameRate(framesPerSecond); }
    bool isShowing() const override { return isExposed(); }
    bool stillThere() override { return true; }
    double refreshRate() const override;
    // Releases the GL context and destroys the window.
    void release() override;

    // The window's size in device pixels.
    QSize devicePixels() const { return size() * devicePixelRatio(); }

signals:
    // The window was exposed or hidden (isExposed() tells which).
    void exposureChanged();

protected:
    void exposeEvent(QExposeEvent *event) override;

private:
    TunnelContext tunnel_;
};
