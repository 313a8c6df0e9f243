// Rows of a rectangle of the X desktop read through shared memory; see X11SharedMemoryGrab.h.
#include "platform/X11SharedMemoryGrab.h"

#include <QSysInfo>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <sys/ipc.h>
#include <sys/shm.h>

// The segment and the XImage of one row over it, attached to the server until destroyed.
struct X11SharedMemoryGrab::Segment {
    Display *display = nullptr;
    XShmSegmentInfo info{};
    XImage *image = nullptr;
    bool attached = false;

    ~Segment()
    {
        if (attached) {
            XShmDetach(display, &info);
            XSync(display, False);
        }
        if (image != nullptr) {
            image->data = nullptr; // the segment is not XImage's to free
            XDestroyImage(image);
        }
        if (info.shmaddr != nullptr && info.shmaddr != reinterpret_cast<char *>(-1))
            shmdt(info.shmaddr);
    }
};

namespace {

// True colour with the red, green and blue bytes where Format_RGB32 has them.
bool layoutMatchesRgb32(const XImage *image)
{
    return image->bits_per_pixel == 32 && image->red_mask == 0xff0000 && image->green_mask == 0x00ff00
        && image->blue_mask == 0x0000ff && image->byte_order == (QSysInfo::ByteOrder == QSysInfo::LittleEndian ? LSBFirst : MSBFirst);
}

} // namespace

X11SharedMemoryGrab::X11SharedMemoryGrab(_XDisplay *display, const QRect &area)
    : display_(display), area_(area), errors_(display), segment_(std::make_unique<Segment>())
{
    segment_->display = display;
}

X11SharedMemoryGrab::~X11SharedMemoryGrab() = default;

std::unique_ptr<X11SharedMemoryGrab> X11SharedMemoryGrab::open(_XDisplay *display, const QRect &area)
{
    if (display == nullptr || area.isEmpty() || !XShmQueryExtension(display))
        return nullptr;
    const int screen = DefaultScreen(display);
    if (!QRect(0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)).contains(area))
        return nullptr;
    Visual *visual = DefaultVisual(display, screen);
    if (DefaultDepth(display, screen) != 24 || visual->c_class != TrueColor)
        return nullptr;

    XSync(display, False); // errors of earlier requests are not this reader's
    std::unique_ptr<X11SharedMemoryGrab> grab(new X11SharedMemoryGrab(display, area));
    Segment &segment = *grab->segment_;
    segment.image = XShmCreateImage(display, visual, 24, ZPixmap, nullptr, &segment.info, unsigned(area.width()), 1);
    if (segment.image == nullptr || !layoutMatchesRgb32(segment.image))
        return nullptr;
    segment.info.shmid = shmget(IPC_PRIVATE, std::size_t(segment.image->bytes_per_line), IPC_CREAT | 0600);
    if (segment.info.shmid < 0)
        return nullptr;
    segment.info.shmaddr = static_cast<char *>(shmat(segment.info.shmid, nullptr, 0));
    // Marked for removal at once: the kernel frees it when both sides have let go, even if this
    // process dies before the reader ends.
    shmctl(segment.info.shmid, IPC_RMID, nullptr);
    if (segment.info.shmaddr == reinterpret_cast<char *>(-1))
        return nullptr;
    segment.image->data = segment.info.shmaddr;
    segment.info.readOnly = False;
    // A failed XShmAttach (a server that cannot reach our segment) arrives as an X error.
    segment.attached = XShmAttach(display, &segment.info) != 0;
    grab->errors_.sync();
    if (grab->errors_.errorCount() != 0)
        segment.attached = false; // the server never attached it
    if (!segment.attached)
        return nullptr;
    return grab;
}

const std::uint32_t *X11SharedMemoryGrab::row(int y)
{
    if (y < 0 || y >= area_.height())
        return nullptr;
    const int before = errors_.errorCount();
    // A round trip: once it returns, every error of the request has been counted.
    if (!XShmGetImage(display_, DefaultRootWindow(display_), segment_->image, area_.x(), area_.y() + y, AllPlanes)
        || errors_.errorCount() != before)
        return nullptr;
    return reinterpret_cast<const std::uint32_t *>(segment_->info.shmaddr);
}
