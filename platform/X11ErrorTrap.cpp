// Catches the X errors of one Xlib connection while it lives; see X11ErrorTrap.h.
#include "platform/X11ErrorTrap.h"

#include <X11/Xlib.h>

namespace {

X11ErrorTrap *g_innermost = nullptr;

// Xlib's own handler, which prints the error and exits: found by installing it for a moment.
XErrorHandler xlibDefaultHandler()
{
    static const XErrorHandler handler = [] {
        const XErrorHandler current = XSetErrorHandler(nullptr);
        return XSetErrorHandler(current);
    }();
    return handler;
}

} // namespace

struct X11ErrorTrap::Handler
{
    static int onError(Display *display, XErrorEvent *error)
    {
        for (const X11ErrorTrap *trap = g_innermost; trap != nullptr; trap = trap->outer_) {
            if (trap->display_ == display) {
                ++trap->errorCount_;
                return 0;
            }
        }
        const XErrorHandler before = handlerBefore();
        return before != nullptr && before != xlibDefaultHandler() ? before(display, error) : 0;
    }

    // The handler that was there before the traps (or before the innermost one installed over it).
    static XErrorHandler handlerBefore()
    {
        for (const X11ErrorTrap *trap = g_innermost; trap != nullptr; trap = trap->outer_) {
            const auto previous = reinterpret_cast<XErrorHandler>(trap->previous_);
            if (previous != onError)
                return previous;
        }
        return nullptr;
    }
};

X11ErrorTrap::X11ErrorTrap(_XDisplay *display) : display_(display)
{
    if (display_ == nullptr)
        return;
    xlibDefaultHandler(); // known before any error can ask for it
    outer_ = g_innermost;
    g_innermost = this;
    previous_ = reinterpret_cast<ErasedHandler>(XSetErrorHandler(Handler::onError));
}

X11ErrorTrap::~X11ErrorTrap()
{
    if (display_ == nullptr)
        return;
    sync();
    if (g_innermost == this) {
        g_innermost = outer_;
        XSetErrorHandler(reinterpret_cast<XErrorHandler>(previous_));
        return;
    }
    // Ending out of order: the trap made just inside this one takes over its place in the chain.
    X11ErrorTrap *inner = g_innermost;
    while (inner != nullptr && inner->outer_ != this)
        inner = inner->outer_;
    if (inner == nullptr)
        return;
    inner->outer_ = outer_;
    if (reinterpret_cast<XErrorHandler>(inner->previous_) == Handler::onError)
        inner->previous_ = previous_;
}

void X11ErrorTrap::sync() const
{
    if (display_ != nullptr)
        XSync(display_, False);
}
