// The saver's window system on a Wayland compositor with layer shell: one overlay layer surface per output.
#pragma once

#include "saver/SaverWindowSystem.h"

#include <QByteArray>

class WaylandConnection;
class WaylandEgl;
class WaylandLayerSurface;
class WaylandOutput;
class WaylandSeat;

// Its places are the compositor's outputs (or only the one named by Options::outputName), added
// and removed as they come and go. A surface the compositor closes loses its place, and the
// saver goes on over the others.
class WaylandWindowSystem : public SaverWindowSystem
{
    Q_OBJECT

public:
    struct Options {
        bool takeInput = true;      // keyboard exclusive on every surface; keys and buttons reported
        bool captureDesktop = true; // each output's picture through screencopy; without it there is none
        QByteArray outputName;      // not empty: only the output of this name (or an unnamed one) is a place
    };

    // `connection` and `egl` must outlive the window system.
    WaylandWindowSystem(WaylandConnection &connection, const WaylandEgl &egl, Options options);
    ~WaylandWindowSystem() override;

    QList<Place> places() const override;
    QImage desktopMaster(Place place) override;
    std::unique_ptr<SaverSurface> createSurface(Place place) override;
    void flush() override;

    static constexpr int ConfigureWaitMs = 2000;

private:
    bool isPlace(const WaylandOutput *output) const;
    void listenTo(WaylandSeat *seat);
    static WaylandOutput *outputOf(Place place) { return reinterpret_cast<WaylandOutput *>(place); }
    static Place placeOf(WaylandOutput *output) { return reinterpret_cast<Place>(output); }

    WaylandConnection &connection_;
    const WaylandEgl &egl_;
    const Options options_;
    QList<WaylandLayerSurface *> layers_; // the surfaces made and not yet released, to ask for the keyboard again
};
