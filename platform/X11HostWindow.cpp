// A foreign window that hosts an embedded one: its size, and the moment the embedding ends.
#include "platform/X11HostWindow.h"

#include <QSocketNotifier>

#include <X11/Xlib.h>

namespace {

// True when `event` means the embedding is over (see watch()).
bool endsEmbedding(const XEvent &event, Window host, Window embedded)
{
    switch (event.type) {
    case DestroyNotify:
        return event.xdestroywindow.window == host || event.xdestroywindow.window == embedded;
    case UnmapNotify:
        return event.xunmap.window == embedded;
    case ReparentNotify:
        return event.xreparent.window == embedded && event.xreparent.parent != host;
    default:
        return false;
    }
}

} // namespace

X11HostWindow::X11HostWindow(WindowId host, QObject *parent) : QObject(parent), errors_(display_.get()), host_(host) {}

std::optional<QSize> X11HostWindow::size() const
{
    if (!display_.valid() || host_ == 0)
        return std::nullopt;
    XWindowAttributes attributes{};
    Status status = 0;
    if (!errors_.succeeds([&] { status = XGetWindowAttributes(display_.get(), host_, &attributes); }) || status == 0)
        return std::nullopt;
    return QSize(attributes.width, attributes.height);
}

bool X11HostWindow::showsDrawing() const
{
    if (!display_.valid() || host_ == 0)
        return false;
    XWindowAttributes attributes{};
    Status status = 0;
    if (!errors_.succeeds([&] { status = XGetWindowAttributes(display_.get(), host_, &attributes); }) || status == 0)
        return false;
    return attributes.c_class == InputOutput;
}

bool X11HostWindow::holdsChild(WindowId window) const
{
    if (!display_.valid() || host_ == 0 || window == 0)
        return false;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    Status status = 0;
    const bool clean = errors_.succeeds([&] {
        status = XQueryTree(display_.get(), window, &root, &parent, &children, &count);
    });
    if (children)
        XFree(children);
    return clean && status != 0 && parent == host_;
}

bool X11HostWindow::isMapped(WindowId window) const
{
    XWindowAttributes attributes{};
    Status status = 0;
    const bool clean = errors_.succeeds([&] {
        status = XGetWindowAttributes(display_.get(), window, &attributes);
    });
    return clean && status != 0 && attributes.map_state != IsUnmapped;
}

bool X11HostWindow::watch(WindowId embedded)
{
    if (!display_.valid() || host_ == 0 || embedded == 0 || notifier_)
        return false;
    embedded_ = embedded;
    Display *display = display_.get();
    // Select first, then check: a change after the check is then certain to arrive as an event.
    if (!errors_.succeeds([&] {
            XSelectInput(display, host_, StructureNotifyMask);
            XSelectInput(display, embedded_, StructureNotifyMask);
        }))
        return false;
    if (!holdsChild(embedded_) || !isMapped(embedded_))
        return false;
    notifier_ = new QSocketNotifier(ConnectionNumber(display), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &X11HostWindow::readEvents);
    // The round trips above may already have queued events that no socket activity announces.
    QMetaObject::invokeMethod(this, &X11HostWindow::readEvents, Qt::QueuedConnection);
    return true;
}

void X11HostWindow::readEvents()
{
    Display *display = display_.get();
    bool end = false;
    std::optional<QSize> newSize;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        end = end || endsEmbedding(event, host_, embedded_);
        if (event.type == ConfigureNotify && event.xconfigure.window == host_)
            newSize = QSize(event.xconfigure.width, event.xconfigure.height);
    }
    if (newSize && !end)
        emit resized(*newSize);
    if (end && !ended_) {
        ended_ = true;
        notifier_->setEnabled(false);
        emit ended();
    }
}
