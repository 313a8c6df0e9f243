// An owned connection to the X server named by DISPLAY, for the few calls Qt does not offer.
#pragma once

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
