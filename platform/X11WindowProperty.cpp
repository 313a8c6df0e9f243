// One property of an X11 window, read in one request; see X11WindowProperty.h.
#include "platform/X11WindowProperty.h"

#include <X11/Xlib.h>

#include <memory>

namespace {
// Bytes per item in Xlib's copy of a property of `format`.
qsizetype itemSize(int format)
{
    return format == 32 ? qsizetype(sizeof(long)) : format == 16 ? qsizetype(sizeof(short)) : 1;
}
} // namespace

std::optional<X11WindowProperty> X11WindowProperty::read(_XDisplay *display, unsigned long window,
                                                         unsigned long property, long maxLongs, unsigned long type)
{
    X11WindowProperty result;
    unsigned long remaining = 0;
    unsigned char *data = nullptr;
    const int status = XGetWindowProperty(display, window, property, 0, maxLongs, False, type, &result.type,
                                          &result.format, &result.count, &remaining, &data);
    const std::unique_ptr<unsigned char, int (*)(void *)> owned(data, XFree);
    if (status != Success || result.type == None)
        return std::nullopt;
    if (data == nullptr)
        result.count = 0;
    else
        result.items = QByteArray(reinterpret_cast<const char *>(data), qsizetype(result.count) * itemSize(result.format));
    return result;
}
