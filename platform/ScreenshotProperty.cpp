// The desktop picture left on a host window; see ScreenshotProperty.h.
#include "platform/ScreenshotProperty.h"

#include "platform/X11Display.h"
#include "platform/X11ErrorTrap.h"
#include "platform/X11WindowProperty.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>
#include <optional>

namespace {

std::optional<Pixmap> screenshotPixmap(Display *display, Window window)
{
    const Atom property = XInternAtom(display, "_SCREENSAVER_SCREENSHOT", True);
    if (property == None)
        return std::nullopt;
    const std::optional<X11WindowProperty> value = X11WindowProperty::read(display, window, property, 1, XA_PIXMAP);
    if (!value || value->type != XA_PIXMAP || value->format != 32 || value->count != 1)
        return std::nullopt;
    // Format-32 properties come back as longs, whatever their size on the wire.
    unsigned long id = 0;
    std::memcpy(&id, value->items.constData(), sizeof id);
    return Pixmap(id);
}

// One colour channel of `pixel` under `mask`, as 8 bits.
int channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0)
        ++shift;
    const unsigned long maximum = mask >> shift;
    return int(((pixel & mask) >> shift) * 255 / maximum);
}

QImage imageOf(XImage *image)
{
    QImage picture(image->width, image->height, QImage::Format_RGB32);
    if (picture.isNull())
        return {};
    for (int y = 0; y < image->height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < image->width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            row[x] = qRgb(channel(pixel, image->red_mask), channel(pixel, image->green_mask),
                          channel(pixel, image->blue_mask));
        }
    }
    return picture;
}

} // namespace

QImage ScreenshotProperty::read(WindowId window)
{
    X11Display connection;
    Display *display = connection.get();
    if (display == nullptr || window == 0)
        return {};
    // X errors from a pixmap or window that vanished are answers here, not faults.
    const X11ErrorTrap errors(display);
    QImage picture;
    if (const std::optional<Pixmap> pixmap = screenshotPixmap(display, Window(window))) {
        Window root = 0;
        int x = 0, y = 0;
        unsigned int width = 0, height = 0, border = 0, depth = 0;
        if (XGetGeometry(display, *pixmap, &root, &x, &y, &width, &height, &border, &depth) && (depth == 24 || depth == 32)
            && width > 0 && height > 0) {
            if (XImage *image = XGetImage(display, *pixmap, 0, 0, width, height, AllPlanes, ZPixmap)) {
                // A pixmap has no visual, so the image comes without colour masks: a true-colour
                // pixmap holds its pixels as the screen's visual does.
                const Visual *visual = DefaultVisual(display, DefaultScreen(display));
                if (image->red_mask == 0 && visual->c_class == TrueColor) {
                    image->red_mask = visual->red_mask;
                    image->green_mask = visual->green_mask;
                    image->blue_mask = visual->blue_mask;
                }
                if (image->red_mask != 0 && image->green_mask != 0 && image->blue_mask != 0)
                    picture = imageOf(image);
                XDestroyImage(image);
            }
        }
    }
    return picture;
}
