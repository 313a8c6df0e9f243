// The toolkit's own X11 connection (Xlib and XCB), and whether the server still has a window.
#pragma once

#include <QtGui/qwindowdefs.h>

struct _XDisplay;
struct xcb_connection_t;

class ToolkitX11
{
public:
    // The Xlib display of the running application's X11 connection; null when it runs on another
    // platform.
    static _XDisplay *display();
    // The same connection for XCB requests; null when it runs on another platform.
    static xcb_connection_t *connection();
    // Whether the X server still has `window`, asked on the toolkit's connection in one round trip
    // whose error comes back with the reply (no error handler is involved). True when the
    // application does not run on X11: there is nothing to ask, so the window counts as there.
    static bool windowExists(WId window);
};
