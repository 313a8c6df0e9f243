// Benchmark yardstick: the least a program with this toolkit and GL driver can do per frame. It
// sets up its window, context and GL state exactly as the saver does (same flags, buffers, swap
// interval, render state, 512 x 512 texture and frame clock) and then draws one full-screen
// textured quad per frame instead of the tunnel. It reports the same "hc-bench" lines as a
// benchmark build of the saver and ends on a key, so bench/bench.py runs both the same way.
//
// Usage: limit_probe [--accessibility]   (--accessibility: leave Qt's accessibility bridge on)
// HELIXCAVERN_BENCH_UNPACED=1 in the environment draws frames back to back, as the saver's clock
// does then.
#include "bench/BenchReport.h"
#include "saver/AccessibilityBridgeBlocker.h"
#include "saver/FrameClock.h"
#include "saver/TunnelRenderer.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QOpenGLContext>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {
constexpr int ExposeWaitMs = 2000; // as the saver: draw anyway when no exposure comes

// The same picture as the saver's plain wall: a master image of one colour.
QImage plainMaster()
{
    QImage master(512, 512, QImage::Format_RGB32);
    master.fill(0xfff0f0f0);
    return master;
}
} // namespace

class LimitProbe : public QWindow
{
public:
    explicit LimitProbe(QScreen *screen) : clock_(1.0f, nullptr)
    {
        setSurfaceType(QSurface::OpenGLSurface);
        QSurfaceFormat format = TunnelRenderer::surfaceFormat();
        format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
        format.setSwapInterval(1);
        setFormat(format);
        setTitle(QStringLiteral("helixcavern limit probe"));
        setFlags(Qt::Window | Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        setScreen(screen);
        resize(screen->geometry().size());
        setPosition(screen->geometry().topLeft());
        clock_.setRefreshRate(screen->refreshRate()); // paced as the saver is, or not at all in the same way
        clock_.setUnpaced(qEnvironmentVariableIsSet("HELIXCAVERN_BENCH_UNPACED"));
        connect(&clock_, &FrameClock::frame, this, [this] { drawFrame(); });
    }

    bool prepare()
    {
        setWindowState(Qt::WindowNoState);
        show();
        benchreport::stage("shown");
        context_ = std::make_unique<QOpenGLContext>();
        context_->setFormat(requestedFormat());
        context_->setScreen(screen());
        if (!context_->create() || !context_->makeCurrent(this))
            return false;
        benchreport::stage("context");
        TunnelRenderer renderer; // the saver's render state and texture upload
        renderer.prepare(plainMaster());
        const QSize pixels = size() * devicePixelRatio();
        glViewport(0, 0, pixels.width(), pixels.height());
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glColor3f(1.0f, 1.0f, 1.0f);
        benchreport::stage("gl-state");
        return true;
    }

    // Runs the frames until a key or a button; as the saver, in an event loop of its own
    // (QGuiApplication::exec() would also start the accessibility bridge).
    int run() { return loop_.exec(); }

    void startFrames()
    {
        if (ended_ || clock_.isRunning())
            return;
        benchreport::stage("exposed");
        clock_.start();
    }

    void end()
    {
        if (ended_)
            return;
        ended_ = true;
        clock_.stop();
        benchreport::finished(clock_.framesDrawn());
        context_.reset();
        destroy();
        QGuiApplication::sync();
        loop_.exit(0);
    }

protected:
    void exposeEvent(QExposeEvent *) override
    {
        if (isExposed())
            startFrames();
    }
    void keyPressEvent(QKeyEvent *) override { end(); }
    void mousePressEvent(QMouseEvent *) override { end(); }

private:
    void drawFrame()
    {
        if (!keyboardGrabbed_)
            keyboardGrabbed_ = setKeyboardGrabEnabled(true);
        if (!mouseGrabbed_)
            mouseGrabbed_ = setMouseGrabEnabled(true);
        context_->makeCurrent(this);
        glClear(GL_COLOR_BUFFER_BIT);
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 0.0f);
        glVertex2f(-1.0f, -1.0f);
        glTexCoord2f(1.0f, 0.0f);
        glVertex2f(1.0f, -1.0f);
        glTexCoord2f(1.0f, 1.0f);
        glVertex2f(1.0f, 1.0f);
        glTexCoord2f(0.0f, 1.0f);
        glVertex2f(-1.0f, 1.0f);
        glEnd();
        context_->swapBuffers(this);
        benchreport::framePresented(clock_.framesDrawn());
    }

    FrameClock clock_;
    QEventLoop loop_;
    std::unique_ptr<QOpenGLContext> context_;
    bool keyboardGrabbed_ = false;
    bool mouseGrabbed_ = false;
    bool ended_ = false;
};

int main(int argc, char **argv)
{
    const bool keepAccessibility = argc > 1 && std::strcmp(argv[1], "--accessibility") == 0;
    QGuiApplication app(argc, argv);
    AccessibilityBridgeBlocker noBridge;
    if (!keepAccessibility)
        app.installEventFilter(&noBridge);
    benchreport::stage("saver-entry");
    QScreen *screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return 1;
    LimitProbe probe(screen);
    if (!probe.prepare()) {
        std::fputs("limit probe: no OpenGL context\n", stderr);
        return 1;
    }
    QTimer::singleShot(ExposeWaitMs, &probe, &LimitProbe::startFrames);
    if (probe.isExposed())
        QMetaObject::invokeMethod(&probe, &LimitProbe::startFrames, Qt::QueuedConnection);
    return probe.run();
}
