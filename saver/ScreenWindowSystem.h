// The saver's window system on X11 monitors: one full-screen SaverWindow per screen.
#pragma once

#include "saver/SaverWindowSystem.h"

class QScreen;

// Its places are the toolkit's screens, added and removed as monitors come and go; each surface is
// a SaverWindow over its screen.
class ScreenWindowSystem : public SaverWindowSystem
{
    Q_OBJECT

public:
    struct Options {
        bool grabInput = true;      // keyboard and pointer grabbed on every window
        bool captureDesktop = true; // each screen's desktop is captured; without it there is none
    };

    explicit ScreenWindowSystem(Options options);

    QList<Place> places() const override;
    QImage desktopMaster(Place place) override;
    std::unique_ptr<SaverSurface> createSurface(Place place) override;
    void flush() override;

private:
    static QScreen *screenOf(Place place) { return reinterpret_cast<QScreen *>(place); }
    static Place placeOf(QScreen *screen) { return reinterpret_cast<Place>(screen); }

    const Options options_;
};
