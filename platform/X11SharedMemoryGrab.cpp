// A rectangle of the X desktop read through shared memory; see X11SharedMemoryGrab.h.
#include "platform/X11SharedMemoryGrab.h"

#include "platform/X11ErrorTrap.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <memory>

namespace {

// The segment and the XImage over it, attached to the server until destroyed.
struct SharedImage {
    Display *display = nullptr;
    XShmSegmentInfo segment{};
    XImage *image = nullptr;
    bool attached = false;

    ~SharedImage()
    {
        if (attached) {
            XShmDetach(display, &segment);
            XSync(display, False);
        }
        if (image != nullptr) {
            image->data = nullptr; // the segment is not XImage's to free
            XDestroyImage(image);
        }
        if (segment.shmaddr != nullptr && segment.shmaddr != reinterpret_cast<char *>(-1))
            shmdt(segment.shmaddr);
    }
};

void freeSharedImage(void *info) { delete static_cast<SharedImage *>(info); }

// True colour with the red, green and blue bytes where Format_RGB32 has them.
bool layoutMatchesRgb32(const XImage *image)
{
    return image->bits_per_pixel == 32 && image->red_mask == 0xff0000 && image->green_mask == 0x00ff00
        && image->blue_mask == 0x0000ff && image->byte_order == (QSysInfo::ByteOrder == QSysInfo::LittleEndian ? LSBFirst : MSBFirst);
}

// Attaches the segment and reads `area` of the root window into it; false when the server refuses
// either. A failed XShmAttach (a server that cannot reach our segment) arrives as an X error.
bool attachAndRead(SharedImage *shared, const QRect &area)
{
    Display *display = shared->display;
    const X11ErrorTrap errors(display);
    shared->attached = XShmAttach(display, &shared->segment) != 0;
    errors.sync();
    const bool got = shared->attached && errors.errorCount() == 0
        && XShmGetImage(display, DefaultRootWindow(display), shared->image, area.x(), area.y(), AllPlanes)
        && errors.errorCount() == 0;
    // Each way here ends in a round trip, so the count is final.
    if (errors.errorCount() != 0)
        shared->attached = false; // the server never attached it
    return got;
}

} // namespace

QImage X11SharedMemoryGrab::grab(_XDisplay *display, const QRect &area)
{
    if (display == nullptr || area.isEmpty() || !XShmQueryExtension(display))
        return {};
    const int screen = DefaultScreen(display);
    if (!QRect(0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)).contains(area))
        return {};
    Visual *visual = DefaultVisual(display, screen);
    if (DefaultDepth(display, screen) != 24 || visual->c_class != TrueColor)
        return {};

    auto shared = std::make_unique<SharedImage>();
    shared->display = display;
    shared->image = XShmCreateImage(display, visual, 24, ZPixmap, nullptr, &shared->segment, unsigned(area.width()),
                                    unsigned(area.height()));
    if (shared->image == nullptr || !layoutMatchesRgb32(shared->image))
        return {};
    const std::size_t bytes = std::size_t(shared->image->bytes_per_line) * std::size_t(shared->image->height);
    shared->segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (shared->segment.shmid < 0)
        return {};
    shared->segment.shmaddr = static_cast<char *>(shmat(shared->segment.shmid, nullptr, 0));
    // Marked for removal at once: the kernel frees it when both sides have let go, even if this
    // process dies before the image is released.
    shmctl(shared->segment.shmid, IPC_RMID, nullptr);
    if (shared->segment.shmaddr == reinterpret_cast<char *>(-1))
        return {};
    shared->image->data = shared->segment.shmaddr;
    shared->segment.readOnly = False;

    XSync(display, False); // errors of earlier requests are not this grab's
    if (!attachAndRead(shared.get(), area))
        return {};

    uchar *pixels = reinterpret_cast<uchar *>(shared->segment.shmaddr);
    const qsizetype bytesPerLine = shared->image->bytes_per_line;
    SharedImage *owner = shared.release();
    return QImage(pixels, area.width(), area.height(), bytesPerLine, QImage::Format_RGB32, freeSharedImage, owner);
}
