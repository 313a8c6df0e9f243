// Benchmark helper: paints the X desktop a known colour, waits until the saver's first frame shows
// on the screen (the black far opening at the centre with a lit wall above it) and prints when, on
// the monotonic clock; also writes test pictures. Not part of the product.
#include <QCoreApplication>
#include <QImage>
#include <QStringList>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <ctime>

namespace {
constexpr unsigned long DesktopColour = 0x4080c0; // a mid blue: never black, never the plain grey
constexpr long PollMicroseconds = 1000;
constexpr double GiveUpSeconds = 20.0;

long long monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

unsigned long pixelAt(Display *display, Window root, int x, int y)
{
    XImage *image = XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr)
        return 0xffffffffUL;
    const unsigned long p = XGetPixel(image, 0, 0) & 0xffffff;
    XDestroyImage(image);
    return p;
}

unsigned grey(unsigned long p) { return ((p >> 16 & 0xff) * 30 + (p >> 8 & 0xff) * 59 + (p & 0xff) * 11) / 100; }

// Prints "ready", then the monotonic time in nanoseconds at which the first frame was seen.
int waitForFirstFrame()
{
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "frame probe: no display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    const int w = DisplayWidth(display, DefaultScreen(display));
    const int h = DisplayHeight(display, DefaultScreen(display));
    XSetWindowBackground(display, root, DesktopColour);
    XClearWindow(display, root);
    XSync(display, False);
    std::printf("ready\n");
    std::fflush(stdout);
    const long long start = monotonicNs();
    while (monotonicNs() - start < (long long)(GiveUpSeconds * 1e9)) {
        if (pixelAt(display, root, w / 2, h / 2) == 0 && grey(pixelAt(display, root, w / 2, h / 6)) > 40) {
            std::printf("%lld\n", monotonicNs());
            std::fflush(stdout);
            XCloseDisplay(display);
            return 0;
        }
        const timespec pause{0, PollMicroseconds * 1000};
        nanosleep(&pause, nullptr);
    }
    std::printf("timeout\n");
    XCloseDisplay(display);
    return 1;
}

// A picture of vertical colour bands, the size of a desktop photo.
int makePicture(const QString &path, int w, int h)
{
    QImage picture(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            picture.setPixel(x, y, qRgb((x * 7) & 0xff, (y * 3) & 0xff, 128 + ((x / 64) % 2) * 100));
    return picture.save(path, nullptr, 90) ? 0 : 1;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 2 && args[1] == QLatin1String("--first-frame"))
        return waitForFirstFrame();
    if (args.size() == 5 && args[1] == QLatin1String("--make-picture"))
        return makePicture(args[2], args[3].toInt(), args[4].toInt());
    std::fprintf(stderr, "usage: frame_probe --first-frame | --make-picture PATH W H\n");
    return 2;
}
