// A window that shows the tunnel; see TunnelWindow.h.
#include "saver/TunnelWindow.h"

#include <QOpenGLContext>
#include <QScreen>
#include <QSurfaceFormat>

#include <cstdio>

namespace {
// The tunnel's buffers, presented double-buffered once per vertical retrace.
QSurfaceFormat tunnelFormat()
{
    QSurfaceFormat format = TunnelRenderer::surfaceFormat();
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setSwapInterval(1);
    return format;
}
} // namespace

TunnelWindow::TunnelWindow(QWindow *parent) : QWindow(parent)
{
    setSurfaceType(QSurface::OpenGLSurface);
    setFormat(tunnelFormat());
}

TunnelWindow::~TunnelWindow() { releaseContext(); }

bool TunnelWindow::prepare(const QImage &master, TunnelRenderer::Options drawing)
{
    context_ = std::make_unique<QOpenGLContext>();
    context_->setFormat(requestedFormat());
    context_->setScreen(screen());
    const char *failure = nullptr;
    if (!context_->create())
        failure = "no OpenGL context with 24-bit colour, 16-bit depth and double buffering is available";
    else if (!context_->makeCurrent(this))
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

void TunnelWindow::drawFrame(double phase)
{
    if (context_ == nullptr || !context_->makeCurrent(this))
        return;
    const QSize pixels = devicePixels();
    if (pixels != viewport_) {
        viewport_ = pixels;
        TunnelRenderer::setViewportAndProjection(pixels.width(), pixels.height());
    }
    tunnel_.drawFrame(phase);
    frameRate_.draw(pixels);
    context_->swapBuffers(this);
}

void TunnelWindow::exposeEvent(QExposeEvent *event)
{
    QWindow::exposeEvent(event);
    emit exposureChanged();
}

void TunnelWindow::releaseContext()
{
    if (context_ == nullptr)
        return;
    if (context_->makeCurrent(this))
        frameRate_.release();
    context_->doneCurrent();
    context_.reset();
}

void TunnelWindow::release()
{
    releaseContext();
    destroy();
}

double TunnelWindow::refreshRate() const
{
    const QScreen *own = screen();
    return own != nullptr ? double(own->refreshRate()) : 0.0;
}
