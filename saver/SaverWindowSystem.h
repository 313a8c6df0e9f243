// The window system under the saver: the places it covers, their desktop pictures, their surfaces.
#pragma once

#include "saver/SaverSurface.h"

#include <QImage>
#include <QList>
#include <QObject>

#include <memory>

// A place is what one surface covers: a monitor, or the host window of a daemon. The saver runner
// asks for every place's desktop before it makes any surface (so no surface of the saver is on the
// picture), then makes one surface per place; it follows places added and removed while
// it runs. Input, loss and exposure of the surfaces come as signals of this object.
class SaverWindowSystem : public QObject
{
    Q_OBJECT

public:
    // Identifies a place to the window system that reported it; the runner only compares them.
    using Place = quintptr;

    using QObject::QObject;

    virtual QList<Place> places() const = 0;
    // The desktop under `place` as it is now (at the place's size in device pixels), as the master
    // image takes it: MasterImage::sampleToMaster, which reads only the rows the master takes, so
    // the cost follows the master's size and not the screen's. A null image when this window
    // system has none to give (no capture, or the capture failed).
    virtual QImage desktopMaster(Place place) = 0;
    // A surface that covers `place`, shown. The caller owns it.
    virtual std::unique_ptr<SaverSurface> createSurface(Place place) = 0;
    // Called once the surfaces made at the start are prepared: from here on their loss is
    // reported. False when one of them is gone already (the saver then ends at once).
    virtual bool watchSurfaces() { return true; }
    // Returns once the server has carried out every request made so far (windows taken off).
    virtual void flush() = 0;

signals:
    void placeAdded(SaverWindowSystem::Place place);
    void placeRemoved(SaverWindowSystem::Place place);
    // A key or a mouse button on one of the surfaces.
    void inputReceived();
    // A surface was closed or destroyed from outside, or its host went away.
    void surfaceLost();
    // A surface was exposed or hidden (SaverSurface::isShowing tells which).
    void exposureChanged();
    // A surface that waited for its compositor (SaverSurface::waitsForCompositor) takes frames again.
    void surfaceReady();
};
