// The saver's window system on a Wayland compositor; see WaylandWindowSystem.h.
#include "saver/WaylandWindowSystem.h"

#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandLayerSurface.h"
#include "platform/wayland/WaylandOutput.h"
#include "platform/wayland/WaylandScreencopy.h"
#include "platform/wayland/WaylandSeat.h"
#include "saver/MasterImage.h"
#include "saver/WaylandSaverSurface.h"

#include <QPointer>

WaylandWindowSystem::WaylandWindowSystem(WaylandConnection &connection, const WaylandEgl &egl, Options options)
    : connection_(connection), egl_(egl), options_(options)
{
    connect(&connection_, &WaylandConnection::outputAdded, this, [this](WaylandOutput *output) {
        if (isPlace(output))
            emit placeAdded(placeOf(output));
    });
    connect(&connection_, &WaylandConnection::outputRemoved, this, [this](WaylandOutput *output) {
        if (isPlace(output))
            emit placeRemoved(placeOf(output));
    });
    if (options_.takeInput) {
        for (WaylandSeat *seat : connection_.seats())
            listenTo(seat);
        connect(&connection_, &WaylandConnection::seatAdded, this, &WaylandWindowSystem::listenTo);
    }
}

WaylandWindowSystem::~WaylandWindowSystem() = default;

// An output whose compositor names none (wl_output before version 4) cannot be told apart from
// the named one: it is drawn on rather than leaving the locker's background empty.
bool WaylandWindowSystem::isPlace(const WaylandOutput *output) const
{
    return options_.outputName.isEmpty() || output->name().isEmpty() || output->name() == options_.outputName;
}

void WaylandWindowSystem::listenTo(WaylandSeat *seat)
{
    connect(seat, &WaylandSeat::keyPressed, this, &SaverWindowSystem::inputReceived);
    connect(seat, &WaylandSeat::buttonPressed, this, &SaverWindowSystem::inputReceived);
}

QList<SaverWindowSystem::Place> WaylandWindowSystem::places() const
{
    QList<Place> places;
    for (WaylandOutput *output : connection_.outputs())
        if (isPlace(output))
            places.append(placeOf(output));
    return places;
}

// The compositor copies the whole output into shared memory; the master is scaled from that.
QImage WaylandWindowSystem::desktopMaster(Place place)
{
    if (!options_.captureDesktop)
        return {};
    const QImage desktop = WaylandScreencopy::capture(connection_, outputOf(place));
    return desktop.isNull() ? QImage() : MasterImage::scaleToMaster(desktop);
}

// The surface is returned once the compositor has configured it (or the wait is over: it then
// shows from its first configure on).
std::unique_ptr<SaverSurface> WaylandWindowSystem::createSurface(Place place)
{
    auto layer = std::make_unique<WaylandLayerSurface>(connection_, outputOf(place), egl_, options_.takeInput);
    WaylandLayerSurface *made = layer.get();
    connection_.dispatchUntil([made] { return made->isConfigured(); }, ConfigureWaitMs);
    layers_.append(made);
    connect(made, &QObject::destroyed, this, [this, made] {
        layers_.removeAll(made);
        for (WaylandLayerSurface *other : std::as_const(layers_))
            other->askForKeyboard();
    });
    // Closed from outside (its output gone, for one): the place loses its surface, from the event
    // loop, since the surface's own event handler is still running.
    const QPointer<WaylandLayerSurface> watched(made);
    connect(made, &WaylandLayerSurface::closed, this, [this, place, watched] {
        QMetaObject::invokeMethod(this, [this, place, watched] {
            if (watched)
                emit placeRemoved(place);
        }, Qt::QueuedConnection);
    });
    connect(made, &WaylandLayerSurface::configured, this, &SaverWindowSystem::exposureChanged);
    connect(made, &WaylandLayerSurface::configured, this, &SaverWindowSystem::surfaceReady);
    connect(made, &WaylandLayerSurface::frameDone, this, &SaverWindowSystem::surfaceReady);
    return std::make_unique<WaylandSaverSurface>(std::move(layer));
}

void WaylandWindowSystem::flush() { connection_.roundtrip(); }
