// The desktop picture left on a host window, read row by row; see ScreenshotProperty.h.
#include "platform/ScreenshotProperty.h"

#include "platform/X11WindowProperty.h"

#include <QRgb>
#include <QSysInfo>

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
    int shift = 0;
    while (((mask >> shift) & 1) == 0)
        ++shift;
    const unsigned long maximum = mask >> shift;
    return int(((pixel & mask) >> shift) * 255 / maximum);
}

// Pixels held as 32-bit words in this machine's order, 8 bits a channel where Format_RGB32 has
// them: a row is then its own words, made opaque.
bool layoutMatchesRgb32(const XImage *image)
{
    return image->bits_per_pixel == 32 && image->red_mask == 0xff0000 && image->green_mask == 0x00ff00
        && image->blue_mask == 0x0000ff && image->byte_order == (QSysInfo::ByteOrder == QSysInfo::LittleEndian ? LSBFirst : MSBFirst);
}

} // namespace

ScreenshotProperty::ScreenshotProperty() : errors_(connection_.get()) {}

std::unique_ptr<ScreenshotProperty> ScreenshotProperty::open(WindowId window)
{
    std::unique_ptr<ScreenshotProperty> shot(new ScreenshotProperty);
    Display *display = shot->connection_.get();
    if (display == nullptr || window == 0)
        return nullptr;
    const std::optional<Pixmap> pixmap = screenshotPixmap(display, Window(window));
    if (!pixmap)
        return nullptr;
    Window root = 0;
    int x = 0, y = 0;
    unsigned int width = 0, height = 0, border = 0, depth = 0;
    if (!XGetGeometry(display, *pixmap, &root, &x, &y, &width, &height, &border, &depth) || (depth != 24 && depth != 32)
        || width == 0 || height == 0)
        return nullptr;
    // A pixmap has no visual, so its images come without colour masks: a true-colour pixmap holds
    // its pixels as the screen's visual does.
    const Visual *visual = DefaultVisual(display, DefaultScreen(display));
    if (visual->c_class != TrueColor || visual->red_mask == 0 || visual->green_mask == 0 || visual->blue_mask == 0)
        return nullptr;
    shot->pixmap_ = *pixmap;
    shot->size_ = QSize(int(width), int(height));
    shot->redMask_ = visual->red_mask;
    shot->greenMask_ = visual->green_mask;
    shot->blueMask_ = visual->blue_mask;
    shot->row_.resize(width);
    return shot;
}

const std::uint32_t *ScreenshotProperty::row(int y)
{
    if (y < 0 || y >= size_.height())
        return nullptr;
    XImage *image = XGetImage(connection_.get(), pixmap_, 0, y, unsigned(size_.width()), 1, AllPlanes, ZPixmap);
    if (image == nullptr)
        return nullptr;
    image->red_mask = redMask_;
    image->green_mask = greenMask_;
    image->blue_mask = blueMask_;
    if (layoutMatchesRgb32(image)) {
        const auto *words = reinterpret_cast<const std::uint32_t *>(image->data);
        for (std::size_t x = 0; x < row_.size(); ++x)
            row_[x] = words[x] | 0xff000000u;
    } else {
        for (int x = 0; x < size_.width(); ++x) {
            const unsigned long pixel = XGetPixel(image, x, 0);
            row_[std::size_t(x)] = qRgb(channel(pixel, redMask_), channel(pixel, greenMask_), channel(pixel, blueMask_));
        }
    }
    XDestroyImage(image);
    return row_.data();
}
