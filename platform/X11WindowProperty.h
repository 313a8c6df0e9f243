// One property of an X11 window, read in one request: its type, format and items.
#pragma once

#include <QByteArray>

#include <optional>

struct _XDisplay;

class X11WindowProperty
{
public:
    static constexpr unsigned long AnyType = 0; // Xlib's AnyPropertyType

    // At most the first `maxLongs` 32-bit units of `property` of `window`, asked for as `type`;
    // nothing when the request fails or the window has no such property. A property of another
    // type than the one asked for comes back with its type and format and no items. Errors are the
    // caller's to trap (a window that has gone is a BadWindow).
    static std::optional<X11WindowProperty> read(_XDisplay *display, unsigned long window, unsigned long property,
                                                 long maxLongs, unsigned long type = AnyType);

    unsigned long type = 0;  // an atom
    int format = 0;          // 8, 16 or 32 bits per item
    unsigned long count = 0; // items read
    QByteArray items;        // as Xlib hands them over: 16- and 32-bit items as this machine's shorts and longs
};
