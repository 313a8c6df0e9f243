// Checks the GL child window under Xvfb: it sits inside its host with the visual the toolkit would
// choose for the same format, follows sizes, and goes without X errors on the toolkit's connection.
#include "platform/X11ChildWindow.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QTest>
#include <QWindow>

#include <X11/Xlib.h>

namespace {

QSurfaceFormat glFormat(int alpha, int depth, int stencil, QSurfaceFormat::SwapBehavior swap)
{
    QSurfaceFormat format;
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setAlphaBufferSize(alpha);
    format.setDepthBufferSize(depth);
    format.setStencilBufferSize(stencil);
    format.setSwapBehavior(swap);
    return format;
}

// The host program's side: a connection of its own and a mapped window.
struct HostProgram {
    Display *display = XOpenDisplay(nullptr);
    Window host = XCreateSimpleWindow(display, DefaultRootWindow(display), 10, 10, 200, 150, 0, 0, 0);

    HostProgram()
    {
        XMapWindow(display, host);
        XSync(display, False);
    }
    ~HostProgram() { XCloseDisplay(display); }
    // What the server tells this connection, once it has carried out the toolkit's requests.
    XWindowAttributes attributes(Window window)
    {
        QGuiApplication::sync();
        XWindowAttributes attributes{};
        XGetWindowAttributes(display, window, &attributes);
        return attributes;
    }
    QList<Window> children()
    {
        QGuiApplication::sync();
        Window root = 0, parent = 0, *list = nullptr;
        unsigned count = 0;
        XQueryTree(display, host, &root, &parent, &list, &count);
        const QList<Window> out(list, list + count);
        XFree(list);
        return out;
    }
};

// The toolkit logs the X errors of its connection as debug messages when it reads its events.
int g_toolkitErrors = 0;

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
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &message) {
            g_toolkitErrors += message.contains(QLatin1String("XCB error"));
        });
    }
    void sitsInTheHostWithTheToolkitsVisual_data();
    void sitsInTheHostWithTheToolkitsVisual();
    void goesWithoutErrors_data();
    void goesWithoutErrors();
};

void tst_x11childwindow::sitsInTheHostWithTheToolkitsVisual_data()
{
    QTest::addColumn<QSurfaceFormat>("format");
    QTest::newRow("the tunnel's: depth 16, double-buffered") << glFormat(-1, 16, -1, QSurfaceFormat::DoubleBuffer);
    QTest::newRow("single-buffered") << glFormat(-1, 16, -1, QSurfaceFormat::SingleBuffer);
    QTest::newRow("alpha 8, depth 24, stencil 8") << glFormat(8, 24, 8, QSurfaceFormat::DoubleBuffer);
}

void tst_x11childwindow::sitsInTheHostWithTheToolkitsVisual()
{
    QFETCH(QSurfaceFormat, format);
    HostProgram x;
    X11ChildWindow child(x.host, format, QSize(200, 150));
    QCOMPARE(x.children(), QList<Window>{child.id()});
    const XWindowAttributes made = x.attributes(child.id());
    QCOMPARE(QRect(made.x, made.y, made.width, made.height), QRect(0, 0, 200, 150));
    QCOMPARE(made.border_width, 0);
    QCOMPARE(made.map_state, IsViewable);
    QWindow own;
    own.setSurfaceType(QSurface::OpenGLSurface);
    own.setFormat(format);
    own.create();
    QCOMPARE(XVisualIDFromVisual(made.visual), XVisualIDFromVisual(x.attributes(own.winId()).visual));

    for (const QSize size : {QSize(640, 360), QSize(1, 1)}) {
        child.resize(size);
        const XWindowAttributes now = x.attributes(child.id());
        QCOMPARE(QSize(now.width, now.height), size);
    }
}

void tst_x11childwindow::goesWithoutErrors_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("made");
    QTest::newRow("host still there: nothing left in it") << QStringLiteral("there") << true;
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
    const auto destroyHostIf = [&](const char *when) {
        if (host == QLatin1String(when)) {
            XDestroyWindow(x.display, x.host);
            XSync(x.display, False);
        }
    };
    destroyHostIf("destroyed before");
    {
        X11ChildWindow child(host == QLatin1String("zero") ? 0 : host == QLatin1String("unheld") ? 0x1ff00001 : x.host,
                             glFormat(-1, 16, -1, QSurfaceFormat::DoubleBuffer), QSize(50, 40));
        QCOMPARE(child.id() != 0, made);
        destroyHostIf("destroyed after");
        child.resize(QSize(60, 30));
    }
    if (host == QLatin1String("there"))
        QVERIFY(x.children().isEmpty());
    QCOMPARE(toolkitErrorsSoFar(), errorsBefore);
}

QTEST_MAIN(tst_x11childwindow)
#include "tst_x11childwindow.moc"
