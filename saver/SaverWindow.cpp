// The full-screen saver window.
#include "saver/SaverWindow.h"

#include "app/WindowCaptions.h"
#include "saver/MasterImage.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QScreen>
#include <QSurfaceFormat>
#include <QTimer>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>

#ifdef HELIXCAVERN_BENCH_REPORT
#include <ctime>
#include <unistd.h>
namespace {
// Benchmark builds only: stage times on the monotonic clock and resident memory, on stderr.
double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}
void benchStage(const char *stage)
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    long pages = 0, resident = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    std::fprintf(stderr, "hc-bench stage %s %lld %.1f %.1f\n", stage, (long long)t.tv_sec * 1000000000LL + t.tv_nsec,
                 double(resident) * double(sysconf(_SC_PAGESIZE)) / 1048576.0, processCpuSeconds() * 1000.0);
}
qint64 benchFrames = 0;
double benchCpuAtFirstFrame = 0.0;
} // namespace
#define HC_BENCH_STAGE(name) benchStage(name)
#else
#define HC_BENCH_STAGE(name) ((void)0)
#endif

namespace {
constexpr int ExposeWaitMs = 2000; // longest wait for the first exposure before drawing anyway

// The tunnel's buffers, presented double-buffered once per vertical retrace.
QSurfaceFormat saverFormat()
{
    QSurfaceFormat format = TunnelRenderer::surfaceFormat();
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setSwapInterval(1);
    return format;
}
} // namespace

SaverWindow::SaverWindow(const Settings &settings) : settings_(settings), phaseStep_(settings.phaseStep())
{
    setSurfaceType(QSurface::OpenGLSurface);
    setFormat(saverFormat());
    setTitle(WindowCaptions::Saver);
    // Override-redirect, so no window manager moves it and it covers panels too.
    setFlags(Qt::Window | Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
}

SaverWindow::~SaverWindow() { releaseContext(); }

int SaverWindow::run(const Settings &settings)
{
    HC_BENCH_STAGE("saver-entry");
    SaverWindow saver(settings);
    if (!saver.load())
        return 1;
    QEventLoop loop;
    connect(&saver, &SaverWindow::finished, &loop, &QEventLoop::exit);
    // The window's first exposure stands for its activation (an override-redirect window is never
    // activated by a window manager); without one in time, the saver draws anyway.
    // Queued, so that the first frame is drawn inside the loop, which then sees the saver's end.
    if (saver.isExposed())
        QMetaObject::invokeMethod(&saver, &SaverWindow::start, Qt::QueuedConnection);
    else
        QTimer::singleShot(ExposeWaitMs, &saver, &SaverWindow::start);
    return loop.exec();
}

bool SaverWindow::load()
{
    if (QScreen *primary = QGuiApplication::primaryScreen()) {
        setScreen(primary);
        const QRect area = primary->geometry();
        resize(area.size());
        setPosition(area.topLeft());
    }
    const QImage source = takeSourcePicture();
    HC_BENCH_STAGE("source-picture");
    master_ = MasterImage::scaleToMaster(source);
    setWindowState(Qt::WindowNoState);
    show(); // topmost comes with the window flags
    HC_BENCH_STAGE("shown");
    if (!createContext())
        return false;
    HC_BENCH_STAGE("context");
    tunnel_.prepare(master_);
    HC_BENCH_STAGE("gl-state");
    return true;
}

// Taken before the window is shown, so a capture sees the desktop as it was.
QImage SaverWindow::takeSourcePicture() const
{
    if (settings_.textureSource == Settings::Desktop)
        return MasterImage::captureDesktop(screen(), size()); // Qt scales the rectangle to device pixels
    return MasterImage::decodePicture(settings_.pictureFile);
}

QSize SaverWindow::devicePixels() const { return size() * devicePixelRatio(); }

bool SaverWindow::createContext()
{
    context_ = std::make_unique<QOpenGLContext>();
    context_->setFormat(requestedFormat());
    context_->setScreen(screen());
    const char *failure = nullptr;
    if (!context_->create())
        failure = "no OpenGL context with 24-bit colour, 16-bit depth and double buffering is available";
    else if (!context_->makeCurrent(this))
        failure = "the OpenGL context cannot be made current on the saver window";
    if (failure == nullptr)
        return true;
    std::fprintf(stderr, "helixcavern: %s\n", failure);
    return false;
}

void SaverWindow::releaseContext()
{
    if (context_ == nullptr)
        return;
    context_->doneCurrent();
    context_.reset();
}

void SaverWindow::exposeEvent(QExposeEvent *event)
{
    QWindow::exposeEvent(event);
    if (isExposed())
        start();
}

void SaverWindow::start()
{
    if (running_ || ended_ || context_ == nullptr)
        return;
    HC_BENCH_STAGE("exposed");
    running_ = true;
    const QSize pixels = devicePixels();
    TunnelRenderer::setViewportAndProjection(pixels.width(), pixels.height());
    drawFrame();
}

// One frame: advance the phase, draw, present, and ask for the next. Input arrives between frames
// through the event loop; the swap, waiting for the retrace, paces them.
void SaverWindow::drawFrame()
{
    if (!running_)
        return;
    grabInputOnceMapped();
    phase_ = phaseStep_ + phase_;
    // Asked before every frame: the GL driver, handed a drawable that no longer exists, may take
    // garbage for its size and never finish the frame.
    if (nativeWindowGone()) {
        endSaver();
        return;
    }
    tunnel_.drawFrame(phase_);
    context_->swapBuffers(this);
#ifdef HELIXCAVERN_BENCH_REPORT
    if (benchFrames++ == 0) {
        benchCpuAtFirstFrame = processCpuSeconds();
        HC_BENCH_STAGE("first-swap");
    }
#endif
    requestUpdate();
}

// Whether the X server has lost the window: one destroyed by another client sends the toolkit no
// close event, so the saver asks the server itself. The toolkit forgets the id (0) once it has seen
// the window destroyed.
bool SaverWindow::nativeWindowGone() const
{
    const WId window = winId();
    if (window == 0)
        return true;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr)
        return false; // not on X11: nothing to ask, assume it is there
    xcb_generic_error_t *error = nullptr;
    xcb_get_window_attributes_reply_t *reply = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, xcb_window_t(window)), &error);
    const bool gone = reply == nullptr;
    std::free(reply);
    std::free(error);
    return gone;
}

// Grabs fail until the window is viewable; keep asking once per frame until both hold, so every
// key and button reaches the saver with or without a window manager.
void SaverWindow::grabInputOnceMapped()
{
    if (!keyboardGrabbed_)
        keyboardGrabbed_ = setKeyboardGrabEnabled(true);
    if (!mouseGrabbed_)
        mouseGrabbed_ = setMouseGrabEnabled(true);
}

bool SaverWindow::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::UpdateRequest:
        drawFrame();
        return true;
    case QEvent::Close:
        // A saver whose window was closed from outside cannot be seen or ended by input any more;
        // it ends as if input had ended it instead of drawing on unseen.
        endSaver();
        return true;
    default:
        return QWindow::event(event);
    }
}

void SaverWindow::keyPressEvent(QKeyEvent *) { endSaver(); }

void SaverWindow::mousePressEvent(QMouseEvent *) { endSaver(); }

void SaverWindow::endSaver()
{
    if (ended_)
        return;
    ended_ = true;
    running_ = false;
#ifdef HELIXCAVERN_BENCH_REPORT
    std::fprintf(stderr, "hc-bench frames %lld cpu %.6f\n", static_cast<long long>(benchFrames),
                 processCpuSeconds() - benchCpuAtFirstFrame);
    std::fflush(stderr);
#endif
    releaseContext();
    setKeyboardGrabEnabled(false);
    setMouseGrabEnabled(false);
    destroy();
    // Nothing of the window may stay on screen while the process ends.
    QGuiApplication::sync();
    emit finished(0);
}
