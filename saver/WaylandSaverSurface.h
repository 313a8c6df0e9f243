// One saver surface on Wayland: a layer surface over one output, its GL context and the tunnel renderer drawing on it.
#pragma once

#include "saver/FrameRateOverlay.h"
#include "saver/SaverSurface.h"
#include "saver/TunnelRenderer.h"

#include <QSize>

#include <memory>

class WaylandLayerSurface;

// Shows once the compositor has configured it; a frame is drawn only when the compositor's frame
// callback for the last one has come (the next is asked for before the swap), so an output that
// is off or hidden costs no drawing; until then it waits for its compositor.
class WaylandSaverSurface : public SaverSurface
{
public:
    explicit WaylandSaverSurface(std::unique_ptr<WaylandLayerSurface> layer);
    ~WaylandSaverSurface() override;

    bool prepare(const QImage &master, TunnelRenderer::Options drawing) override;
    void drawFrame(double phase) override;
    void showFrameRate(double framesPerSecond) override { frameRate_.setRate(framesPerSecond); }
    bool isShowing() const override;
    bool waitsForCompositor() const override;
    bool stillThere() override { return true; }
    double refreshRate() const override;
    void release() override;

    WaylandLayerSurface *layer() const { return layer_.get(); }

private:
    std::unique_ptr<WaylandLayerSurface> layer_;
    TunnelRenderer tunnel_;
    FrameRateOverlay frameRate_;
    bool prepared_ = false;
    QSize viewport_; // the size the projection was last set for
};
