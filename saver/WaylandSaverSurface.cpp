// One saver surface on Wayland; see WaylandSaverSurface.h.
#include "saver/WaylandSaverSurface.h"

#include "platform/wayland/WaylandLayerSurface.h"
#include "platform/wayland/WaylandOutput.h"

#include <cstdio>

WaylandSaverSurface::WaylandSaverSurface(std::unique_ptr<WaylandLayerSurface> layer) : layer_(std::move(layer)) {}

WaylandSaverSurface::~WaylandSaverSurface() = default;

bool WaylandSaverSurface::prepare(const QImage &master, TunnelRenderer::Options drawing)
{
    QString failure;
    if (!layer_->createGl(&failure)) {
        std::fprintf(stderr, "helixcavern: %s\n", qPrintable(failure));
        return false;
    }
    tunnel_ = TunnelRenderer(drawing);
    tunnel_.prepare(master);
    prepared_ = true;
    return true;
}

void WaylandSaverSurface::drawFrame(double phase)
{
    if (!prepared_ || !layer_->isConfigured() || !layer_->frameDue() || !layer_->makeCurrent())
        return;
    const QSize pixels = layer_->pixelSize();
    if (pixels != viewport_) {
        viewport_ = pixels;
        TunnelRenderer::setViewportAndProjection(pixels.width(), pixels.height());
    }
    tunnel_.drawFrame(phase);
    frameRate_.draw(pixels);
    layer_->present();
}

bool WaylandSaverSurface::isShowing() const { return layer_->isConfigured(); }

bool WaylandSaverSurface::waitsForCompositor() const { return !layer_->isConfigured() || !layer_->frameDue(); }

double WaylandSaverSurface::refreshRate() const { return layer_->output()->refreshRate(); }

void WaylandSaverSurface::release()
{
    if (prepared_ && layer_->makeCurrent())
        frameRate_.release();
    prepared_ = false;
    layer_->release();
}
