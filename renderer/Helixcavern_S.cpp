// The full-screen saver window.
#include "Helixcavern_S.h"

#include "Helixcavern_B.h"
#include "MasterImage.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QScreen>
#include <QSurfaceFormat>

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
constexpr int ExposeWaitMs = 2000;  // longest wait for the first exposure before drawing anyway
constexpr float SpeedDivisor = 10.0f; // the stored speed is ten times the per-frame phase step

// The tunnel's buffers, presented double-buffered once per vertical retrace.
QSurfaceFormat saverFormat()
{
    QSurfaceFormat format = TunnelRenderer::surfaceFormat();
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setSwapInterval(1);
    return format;
}

// Whether the X server still has `window`: a window destroyed by another client sends the toolkit
// no close event, so the saver asks the server itself. The toolkit forgets the id (0) once it has
// seen the window destroyed.
bool nativeWindowExists(WId window)
{
    if (window == 0)
        return false;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr)
        return true; // not on X11: nothing to ask, assume it is there
    xcb_generic_error_t *error = nullptr;
    xcb_get_window_attributes_reply_t *reply = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, xcb_window_t(window)), &error);
    const bool exists = reply != nullptr;
    std::free(reply);
    std::free(error);
    return exists;
}

[[noreturn]] void failWithoutGL(const char *why)
{
    std::fprintf(stderr, "helixcavern: %s\n", why);
    std::fflush(stderr);
    Helixcavern_B::EndProgram(1);
}
} // namespace

Helixcavern_S::Helixcavern_S()
{
    setSurfaceType(QSurface::OpenGLSurface);
    setFormat(saverFormat());
    setTitle(Caption);
    // Override-redirect, so no window manager moves it and it covers panels too.
    setFlags(Qt::Window | Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
}

Helixcavern_S::~Helixcavern_S()
{
    ReleaseGLContext();
}

int Helixcavern_S::run()
{
    HC_BENCH_STAGE("saver-entry");
    Helixcavern_S saver;
    saver.Form_Load();
    // The window's first exposure stands for its activation: an override-redirect window is never
    // activated by a window manager.
    saver.waitUntilExposed();
    HC_BENCH_STAGE("exposed");
    saver.Form_Activate();
    return 0;
}

void Helixcavern_S::Form_Load()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        setScreen(screen);
        const QRect area = screen->geometry();
        resize(area.size());
        setPosition(area.topLeft());
    }
    loadTextureSource();
    HC_BENCH_STAGE("source-picture");
    PicMaster = MasterImage::scaleToMaster(PicOrgn);
    PicOrgn = QImage(); // only the master is used from here on
    Helixcavern_B::Speed = Helixcavern_B::Speed / SpeedDivisor;
    Speed = Helixcavern_B::Speed;
    setWindowState(Qt::WindowNoState);
    show(); // topmost comes with the window flags
    HC_BENCH_STAGE("shown");
    CreateGLContext();
    HC_BENCH_STAGE("context");
    SetupGLState();
    HC_BENCH_STAGE("gl-state");
}

// The source picture, taken before the window is shown so a capture sees the desktop as it was.
void Helixcavern_S::loadTextureSource()
{
    if (Helixcavern_B::TextureSource == 0)
        PicOrgn = MasterImage::captureDesktop(screen(), size()); // Qt scales the rectangle to device pixels
    else
        PicOrgn = MasterImage::decodePicture(Helixcavern_B::PictureFile);
}

QSize Helixcavern_S::clientPixels() const
{
    return size() * devicePixelRatio();
}

void Helixcavern_S::CreateGLContext()
{
    RenderContext = std::make_unique<QOpenGLContext>();
    RenderContext->setFormat(requestedFormat());
    RenderContext->setScreen(screen());
    if (!RenderContext->create())
        failWithoutGL("no OpenGL context with 24-bit colour, 16-bit depth and double buffering is available");
    if (!RenderContext->makeCurrent(this))
        failWithoutGL("the OpenGL context cannot be made current on the saver window");
}

void Helixcavern_S::ReleaseGLContext()
{
    if (RenderContext == nullptr)
        return;
    RenderContext->doneCurrent();
    RenderContext.reset();
}

void Helixcavern_S::SetupGLState()
{
    tunnel.SetupGLState(PicMaster);
}

void Helixcavern_S::waitUntilExposed()
{
    const QDeadlineTimer deadline(ExposeWaitMs);
    while (!isExposed() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
}

void Helixcavern_S::Form_Activate()
{
    const QSize client = clientPixels();
    TunnelRenderer::setViewportAndProjection(client.width(), client.height());
    QCoreApplication::processEvents();
    MainLoop();
}

void Helixcavern_S::MainLoop()
{
    Running = true;
    do {
        grabInputOnceMapped();
        Phase = Speed + Phase;
        QCoreApplication::processEvents();
        endIfWindowVanished();
        render();
    } while (Running);
}

void Helixcavern_S::render()
{
    tunnel.drawFrame(Phase);
    QCoreApplication::processEvents();
    if (RenderContext != nullptr)
        RenderContext->swapBuffers(this);
#ifdef HELIXCAVERN_BENCH_REPORT
    if (benchFrames++ == 0) {
        benchCpuAtFirstFrame = processCpuSeconds();
        HC_BENCH_STAGE("first-swap");
    }
#endif
}

// Asked before every frame: the GL driver, handed a drawable that no longer exists, may take
// garbage for its size and never finish the frame.
void Helixcavern_S::endIfWindowVanished()
{
    if (!nativeWindowExists(winId()))
        EndSaver();
}

// Grabs fail until the window is viewable; keep asking once per frame until both hold, so every
// key and button reaches the saver with or without a window manager.
void Helixcavern_S::grabInputOnceMapped()
{
    if (!keyboardGrabbed)
        keyboardGrabbed = setKeyboardGrabEnabled(true);
    if (!mouseGrabbed)
        mouseGrabbed = setMouseGrabEnabled(true);
}

// A saver whose window was closed or destroyed from outside cannot be seen or ended by input any
// more; it ends as if input had ended it instead of drawing on unseen.
bool Helixcavern_S::event(QEvent *event)
{
    if (event->type() == QEvent::Close) {
        EndSaver();
        return true;
    }
    return QWindow::event(event);
}

void Helixcavern_S::keyPressEvent(QKeyEvent *event)
{
    Q_UNUSED(event);
    EndSaver();
}

void Helixcavern_S::mousePressEvent(QMouseEvent *event)
{
    Q_UNUSED(event);
    EndSaver();
}

void Helixcavern_S::EndSaver()
{
    if (Helixcavern_B::ModeLetter(Helixcavern_B::CommandLine()) == QLatin1Char('S')) {
        Helixcavern_B::EnableSystemKeys(true);
        QGuiApplication::restoreOverrideCursor();
    }
    Running = false;
    // Screen saving is set active again on Windows here; X11 has no such setting.
#ifdef HELIXCAVERN_BENCH_REPORT
    std::fprintf(stderr, "hc-bench frames %lld cpu %.6f\n", static_cast<long long>(benchFrames),
                 processCpuSeconds() - benchCpuAtFirstFrame);
    std::fflush(stderr);
#endif
    Form_Unload();
    Helixcavern_B::EndProgram(0);
}

void Helixcavern_S::Form_Unload()
{
    ReleaseGLContext();
    setKeyboardGrabEnabled(false);
    setMouseGrabEnabled(false);
    destroy();
}
