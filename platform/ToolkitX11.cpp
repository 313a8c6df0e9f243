// The toolkit's own X11 connection; see ToolkitX11.h.
#include "platform/ToolkitX11.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {
QNativeInterface::QX11Application *toolkitX11() { return qGuiApp->nativeInterface<QNativeInterface::QX11Application>(); }
} // namespace

_XDisplay *ToolkitX11::display()
{
    QNativeInterface::QX11Application *x11 = toolkitX11();
    return x11 != nullptr ? x11->display() : nullptr;
}

xcb_connection_t *ToolkitX11::connection()
{
    QNativeInterface::QX11Application *x11 = toolkitX11();
    return x11 != nullptr ? x11->connection() : nullptr;
}

bool ToolkitX11::windowExists(WId window)
{
    xcb_connection_t *connection = ToolkitX11::connection();
    if (connection == nullptr)
        return true;
    xcb_generic_error_t *error = nullptr;
    xcb_get_window_attributes_reply_t *reply = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, xcb_window_t(window)), &error);
    const bool exists = reply != nullptr;
    std::free(reply);
    std::free(error);
    return exists;
}
