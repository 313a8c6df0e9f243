// The GL context that draws the tunnel on one window; see TunnelContext.h.
#include "saver/TunnelContext.h"

#include <QOpenGLContext>
#include <QWindow>

#include <cstdio>

TunnelContext::TunnelContext() = default;
TunnelContext::~TunnelContext() { release(); }

QSurfaceFormat TunnelContext::format()
{
    QSurfaceFormat format = TunnelRenderer::surfaceFormat();
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setSwapInterval(1);
    return format;
}

bool TunnelContext::prepare(QWindow *window, const QImage &master, TunnelRenderer::Options drawing)
{
    window_ = window;
    context_ = std::make_unique<QOpenGLContext>();
    context_->setFormat(format());
    context_->setScreen(window->screen());
    const char *failure = nullptr;
    if (!context_->create())
        failure = "no OpenGL context with 24-bit colour, 16-bit depth and double buffering is available";
    else if (!context_->makeCurrent(window))
        failure = "the OpenGL context cannot be made current on the saver window";
    if (failure != nullptr) {
        context_.reset();
        std::fprintf(stderr, "helixcavern: %s\n", failure);
        return false;
    }
    tunnel_ = TunnelRenderer(drawing);
    tunnel_.prepare(master);
    return true;
}

void TunnelContext::drawFrame(double phase, QSize pixels)
{
    if (context_ == nullptr || !context_->makeCurrent(window_))
        return;
    if (pixels != viewport_) {
        viewport_ = pixels;
        TunnelRenderer::setViewportAndProjection(pixels.width(), pixels.height());
    }
    tunnel_.drawFrame(phase);
    frameRate_.draw(pixels);
    context_->swapBuffers(window_);
}

void TunnelContext::release()
{
    if (context_ == nullptr)
        return;
    if (context_->makeCurrent(window_))
        frameRate_.release();
    context_->doneCurrent();
    context_.reset();
}
