// An owned connection to the X server named by DISPLAY, for the few calls Qt does not offer.
#pragma once

// Closing a server's last client connection makes a server started without -noreset (Xvfb, as
// tests start it) reset itself, and a connection attempted during the reset fails. So before the
// toolkit has its own connection, one of these is opened and shared by every question, and kept
// until the toolkit is connected.
struct _XDisplay;

class X11Display
{
public:
    X11Display();  // opens the default display; valid() tells whether that worked
    ~X11Display();
    X11Display(const X11Display &) = delete;
    X11Display &operator=(const X11Display &) = delete;

    bool valid() const { return display_ != nullptr; }
    _XDisplay *get() const { return display_; }

private:
    _XDisplay *display_ = nullptr;
};
