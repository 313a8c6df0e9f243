// The picture an output shows, through screencopy; see WaylandScreencopy.h.
#include "platform/wayland/WaylandScreencopy.h"

#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandOutput.h"

#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// One capture's state, filled by the frame's events.
struct Capture {
    std::uint32_t format = 0;
    int width = 0;
    int height = 0;
    int stride = 0;
    bool shmOffered = false;
    bool listComplete = false; // buffer_done came, or the frame is older than version 3
    bool copyRequested = false;
    bool yInverted = false;
    bool ready = false;
    bool failed = false;
};

bool knownFormat(std::uint32_t format)
{
    return format == WL_SHM_FORMAT_XRGB8888 || format == WL_SHM_FORMAT_ARGB8888 || format == WL_SHM_FORMAT_XBGR8888
           || format == WL_SHM_FORMAT_ABGR8888;
}

void onBuffer(void *data, zwlr_screencopy_frame_v1 *frame, uint32_t format, uint32_t width, uint32_t height, uint32_t stride)
{
    auto *capture = static_cast<Capture *>(data);
    if (capture->shmOffered && knownFormat(capture->format))
        return; // the first usable offer stands
    capture->shmOffered = true;
    capture->format = format;
    capture->width = int(width);
    capture->height = int(height);
    capture->stride = int(stride);
    if (zwlr_screencopy_frame_v1_get_version(frame) < ZWLR_SCREENCOPY_FRAME_V1_BUFFER_DONE_SINCE_VERSION)
        capture->listComplete = true;
}

void onFlags(void *data, zwlr_screencopy_frame_v1 *, uint32_t flags)
{
    static_cast<Capture *>(data)->yInverted = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
}

void onReady(void *data, zwlr_screencopy_frame_v1 *, uint32_t, uint32_t, uint32_t) { static_cast<Capture *>(data)->ready = true; }
void onFailed(void *data, zwlr_screencopy_frame_v1 *) { static_cast<Capture *>(data)->failed = true; }
void onDamage(void *, zwlr_screencopy_frame_v1 *, uint32_t, uint32_t, uint32_t, uint32_t) {}
void onDmabuf(void *, zwlr_screencopy_frame_v1 *, uint32_t, uint32_t, uint32_t) {}
void onBufferDone(void *data, zwlr_screencopy_frame_v1 *) { static_cast<Capture *>(data)->listComplete = true; }

const zwlr_screencopy_frame_v1_listener frameListener = {
    .buffer = onBuffer,
    .flags = onFlags,
    .ready = onReady,
    .failed = onFailed,
    .damage = onDamage,
    .linux_dmabuf = onDmabuf,
    .buffer_done = onBufferDone,
};

// An anonymous shared-memory file of `size` bytes, mapped; closed and unmapped with the object.
class SharedMemory
{
public:
    explicit SharedMemory(qsizetype size) : size_(size)
    {
        fd_ = memfd_create("helixcavern-screencopy", MFD_CLOEXEC);
        if (fd_ < 0 || ftruncate(fd_, off_t(size)) != 0)
            return;
        void *mapped = mmap(nullptr, std::size_t(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
        data_ = mapped == MAP_FAILED ? nullptr : static_cast<uchar *>(mapped);
    }
    ~SharedMemory()
    {
        if (data_ != nullptr)
            munmap(data_, std::size_t(size_));
        if (fd_ >= 0)
            close(fd_);
    }
    SharedMemory(const SharedMemory &) = delete;
    SharedMemory &operator=(const SharedMemory &) = delete;
    int fd() const { return fd_; }
    uchar *data() const { return data_; }

private:
    qsizetype size_;
    int fd_ = -1;
    uchar *data_ = nullptr;
};

bool sizesFit(const Capture &capture)
{
    return capture.width > 0 && capture.height > 0 && capture.width <= 32768 && capture.height <= 32768
           && capture.stride >= capture.width * 4;
}
} // namespace

QImage WaylandScreencopy::capture(WaylandConnection &connection, WaylandOutput *output)
{
    if (connection.screencopy() == nullptr || connection.shm() == nullptr || !connection.isConnected())
        return {};
    Capture capture;
    zwlr_screencopy_frame_v1 *frame = zwlr_screencopy_manager_v1_capture_output(connection.screencopy(), 0, output->get());
    zwlr_screencopy_frame_v1_add_listener(frame, &frameListener, &capture);
    QImage picture;
    const bool listed = connection.dispatchUntil([&] { return capture.listComplete || capture.failed; }, TimeoutMs);
    if (listed && !capture.failed && capture.shmOffered && knownFormat(capture.format) && sizesFit(capture)) {
        const qsizetype bytes = qsizetype(capture.stride) * capture.height;
        SharedMemory memory(bytes);
        if (memory.data() != nullptr) {
            wl_shm_pool *pool = wl_shm_create_pool(connection.shm(), memory.fd(), int32_t(bytes));
            wl_buffer *buffer = wl_shm_pool_create_buffer(pool, 0, capture.width, capture.height, capture.stride, capture.format);
            zwlr_screencopy_frame_v1_copy(frame, buffer);
            if (connection.dispatchUntil([&] { return capture.ready || capture.failed; }, TimeoutMs) && capture.ready)
                picture = fromShm(memory.data(), bytes, capture.format, capture.width, capture.height, capture.stride,
                                  capture.yInverted);
            wl_buffer_destroy(buffer);
            wl_shm_pool_destroy(pool);
        }
    }
    zwlr_screencopy_frame_v1_destroy(frame);
    connection.flush();
    return picture;
}

QImage WaylandScreencopy::fromShm(const uchar *bytes, qsizetype byteCount, std::uint32_t format, int width, int height,
                                  int stride, bool yInverted)
{
    if (!knownFormat(format) || width <= 0 || height <= 0 || stride < width * 4 || qsizetype(stride) * height > byteCount)
        return {};
    // Both families are little-endian words: XRGB keeps blue in the lowest byte, XBGR red.
    const bool redFirst = format == WL_SHM_FORMAT_XBGR8888 || format == WL_SHM_FORMAT_ABGR8888;
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const uchar *row = bytes + qsizetype(stride) * (yInverted ? height - 1 - y : y);
        auto *out = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const uchar *pixel = row + 4 * x;
            const uchar red = redFirst ? pixel[0] : pixel[2];
            const uchar blue = redFirst ? pixel[2] : pixel[0];
            out[x] = qRgb(red, pixel[1], blue);
        }
    }
    return picture;
}
