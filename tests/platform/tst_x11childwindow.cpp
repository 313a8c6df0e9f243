// Checks the GL child window under Xvfb: it sits inside its host with the visual the toolkit would
// choose, a GL context of the toolkit draws on it, it follows sizes, and it goes without X errors
// on the toolkit's connection.
#include "platform/X11ChildWindow.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QLoggingCategory>
#include <QTest>
#include <QWindow>

#include <X11/Xlib.h>

#include <memory>
#include <optional>

namespace {

QSurfaceFormat glFormat(int alpha, int depth, int stencil, QSurfaceFormat::SwapBehavior swap)
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setAlphaBufferSize(alpha);
    format.setDepthBufferSize(depth);
    format.setStencilBufferSize(stencil);
    format.setSwapBehavior(swap);
    return format;
}

// The host program's side: its own connection and a mapped window it owns.
struct HostProgram {
    Display *display = XOpenDisplay(nullptr);
    Window host = 0;

    HostProgram()
    {
        host = XCreateSimpleWindow(display, DefaultRootWindow(display), 10, 10, 200, 150, 0, 0, 0);
        XMapWindow(display, host);
        XSync(display, False);
    }
    ~HostProgram() { XCloseDisplay(display); }

    QList<Window> children()
    {
        QGuiApplication::sync(); // the toolkit's requests are carried out before this connection asks
        Window root = 0, parent = 0, *list = nullptr;
        unsigned count = 0;
        QList<Window> out;
        if (XQueryTree(display, host, &root, &parent, &list, &count) != 0)
            out = QList<Window>(list, list + count);
        if (list != nullptr)
            XFree(list);
        return out;
    }
    std::optional<XWindowAttributes> attributes(Window window)
    {
        QGuiApplication::sync();
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, window, &attributes) == 0)
            return std::nullopt;
        return attributes;
    }
};

// The toolkit logs the X errors of its connection (as debug messages of qt.qpa.xcb) when it
// reads its events; these are counted.
int g_toolkitErrors = 0;

void countToolkitErrors(QtMsgType, const QMessageLogContext &, const QString &message)
{
    g_toolkitErrors += message.contains(QLatin1String("XCB error"));
}

int toolkitErrorsSoFar()
{
    QGuiApplication::sync();
    QTest::qWait(50);
    return g_toolkitErrors;
}

} // namespace

class tst_x11childwindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.xcb.debug=true"));
        qInstallMessageHandler(countToolkitErrors);
    }
    void madeInsideTheHostWithTheToolkitsVisual_data();
    void madeInsideTheHostWithTheToolkitsVisual();
    void followsTheSizeAskedFor();
    void goesWithoutErrors_data();
    void goesWithoutErrors();
};

void tst_x11childwindow::madeInsideTheHostWithTheToolkitsVisual_data()
{
    QTest::addColumn<QSurfaceFormat>("format");
    QTest::newRow("the tunnel's: depth 16, double-buffered") << glFormat(-1, 16, -1, QSurfaceFormat::DoubleBuffer);
    QTest::newRow("single-buffered") << glFormat(-1, 16, -1, QSurfaceFormat::SingleBuffer);
    QTest::newRow("alpha 8, depth 24, stencil 8") << glFormat(8, 24, 8, QSurfaceFormat::DoubleBuffer);
}

void tst_x11childwindow::madeInsideTheHostWithTheToolkitsVisual()
{
    QFETCH(QSurfaceFormat, format);
    HostProgram x;
    X11ChildWindow child(x.host, format, QSize(200, 150));
    QVERIFY(child.id() != 0);
    QCOMPARE(x.children(), QList<Window>{child.id()});
    const std::optional<XWindowAttributes> made = x.attributes(child.id());
    QVERIFY(made);
    QCOMPARE(QRect(made->x, made->y, made->width, made->height), QRect(0, 0, 200, 150));
    QCOMPARE(made->border_width, 0);
    QCOMPARE(made->map_state, IsViewable);

    QWindow own;
    own.setSurfaceType(QSurface::OpenGLSurface);
    own.setFormat(format);
    own.create();
    const std::optional<XWindowAttributes> toolkits = x.attributes(own.winId());
    QVERIFY(toolkits);
    QCOMPARE(XVisualIDFromVisual(made->visual), XVisualIDFromVisual(toolkits->visual));

    const std::unique_ptr<QWindow> wrapped(QWindow::fromWinId(child.id()));
    wrapped->setSurfaceType(QSurface::OpenGLSurface);
    QOpenGLContext context;
    context.setFormat(format);
    QVERIFY(context.create());
    QVERIFY(context.makeCurrent(wrapped.get()));
    context.swapBuffers(wrapped.get());
    context.doneCurrent();
}

void tst_x11childwindow::followsTheSizeAskedFor()
{
    HostProgram x;
    X11ChildWindow child(x.host, glFormat(-1, 16, -1, QSurfaceFormat::DoubleBuffer), QSize(200, 150));
    for (const QSize size : {QSize(640, 360), QSize(1, 1), QSize(90, 500)}) {
        child.resize(size);
        const std::optional<XWindowAttributes> now = x.attributes(child.id());
        QVERIFY(now);
        QCOMPARE(QSize(now->width, now->height), size);
    }
}

void tst_x11childwindow::goesWithoutErrors_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("made");
    QTest::newRow("host still there") << QStringLiteral("there") << true;
    QTest::newRow("host destroyed while it lives") << QStringLiteral("destroyed after") << true;
    QTest::newRow("host destroyed before") << QStringLiteral("destroyed before") << false;
    QTest::newRow("an id no client holds") << QStringLiteral("unheld") << false;
    QTest::newRow("no host") << QStringLiteral("zero") << false;
}

void tst_x11childwindow::goesWithoutErrors()
{
    QFETCH(QString, host);
    QFETCH(bool, made);
    HostProgram x;
    const int errorsBefore = toolkitErrorsSoFar();
    X11ChildWindow::WindowId id = host == QLatin1String("zero") ? 0 : host == QLatin1String("unheld") ? 0x1ff00001 : x.host;
    if (host == QLatin1String("destroyed before")) {
        XDestroyWindow(x.display, x.host);
        XSync(x.display, False);
    }
    {
        X11ChildWindow child(id, glFormat(-1, 16, -1, QSurfaceFormat::DoubleBuffer), QSize(50, 40));
        QCOMPARE(child.id() != 0, made);
        if (host == QLatin1String("destroyed after")) {
            XDestroyWindow(x.display, x.host);
            XSync(x.display, False);
        }
        child.resize(QSize(60, 30));
    }
    if (host == QLatin1String("there"))
        QVERIFY(x.children().isEmpty());
    QCOMPARE(toolkitErrorsSoFar(), errorsBefore);
}

QTEST_MAIN(tst_x11childwindow)
#include "tst_x11childwindow.moc"
