// Checks the host-window watch against a real X server: the host's size, which changes end an
// embedding and which do not (the watch holds until one does), and windows that are gone before
// anyone looks.
#include "platform/X11HostWindow.h"

#include <QSignalSpy>
#include <QTest>

#include <X11/Xlib.h>

namespace {

constexpr int EndWithinMs = 1000;
constexpr int QuietForMs = 300;

// The test's own connection, standing in for the host program.
class HostProgram
{
public:
    HostProgram() : display_(XOpenDisplay(nullptr)) {}
    ~HostProgram()
    {
        if (display_)
            XCloseDisplay(display_);
    }
    bool valid() const { return display_ != nullptr; }
    Display *display() const { return display_; }
    Window root() const { return DefaultRootWindow(display_); }

    Window create(Window parent, QSize size, unsigned border = 0)
    {
        const Window w = XCreateSimpleWindow(display_, parent, 5, 5, unsigned(size.width()), unsigned(size.height()),
                                             border, 0, 0);
        XMapWindow(display_, w);
        XSync(display_, False);
        return w;
    }
    void sync() { XSync(display_, False); }

private:
    Display *display_;
};

} // namespace

class tst_x11hostwindow : public QObject
{
    Q_OBJECT
private slots:
    void sizeIsTheInside_data();
    void sizeIsTheInside();
    void noWindowHasNoSize_data();
    void noWindowHasNoSize();
    void onlyAnInputOutputWindowShowsDrawing_data();
    void onlyAnInputOutputWindowShowsDrawing();
    void holdsOnlyItsOwnChildren_data();
    void holdsOnlyItsOwnChildren();
    void endsEmbedding_data();
    void endsEmbedding();
    void keepsEmbedding_data();
    void keepsEmbedding();
    void refusesToWatch_data();
    void refusesToWatch();
};

void tst_x11hostwindow::sizeIsTheInside_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("border");
    QTest::newRow("picture-sized") << QSize(152, 112) << 0;
    QTest::newRow("one pixel") << QSize(1, 1) << 0;
    QTest::newRow("wider than 16-bit twips") << QSize(2185, 10) << 0;
    QTest::newRow("border excluded") << QSize(100, 50) << 7;
}

void tst_x11hostwindow::sizeIsTheInside()
{
    QFETCH(QSize, size);
    QFETCH(int, border);
    HostProgram x;
    QVERIFY(x.valid());
    const Window host = x.create(x.root(), size, unsigned(border));
    QCOMPARE(X11HostWindow(host).size(), std::optional<QSize>(size));
}

void tst_x11hostwindow::noWindowHasNoSize_data()
{
    QTest::addColumn<QString>("which");
    QTest::newRow("handle 0") << QStringLiteral("zero");
    QTest::newRow("destroyed window") << QStringLiteral("destroyed");
    QTest::newRow("id no client holds") << QStringLiteral("unheld");
    QTest::newRow("id with high bits set") << QStringLiteral("high");
}

void tst_x11hostwindow::noWindowHasNoSize()
{
    QFETCH(QString, which);
    HostProgram x;
    QVERIFY(x.valid());
    X11HostWindow::WindowId id = 0;
    if (which == QLatin1String("destroyed")) {
        id = x.create(x.root(), QSize(40, 30));
        XDestroyWindow(x.display(), id);
        x.sync();
    } else if (which == QLatin1String("unheld")) {
        id = 0x1ff00001;
    } else if (which == QLatin1String("high")) {
        id = 0xfffffff0;
    }
    X11HostWindow host(id);
    QCOMPARE(host.size(), std::nullopt);
    // A failed look-up leaves the connection usable: a real window is still measured.
    const Window real = x.create(x.root(), QSize(30, 20));
    QCOMPARE(X11HostWindow(real).size(), std::optional<QSize>(QSize(30, 20)));
}

void tst_x11hostwindow::onlyAnInputOutputWindowShowsDrawing_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<bool>("shows");
    QTest::newRow("input and output") << QStringLiteral("input-output") << true;
    QTest::newRow("input only") << QStringLiteral("input-only") << false;
    QTest::newRow("no window") << QStringLiteral("none") << false;
}

void tst_x11hostwindow::onlyAnInputOutputWindowShowsDrawing()
{
    QFETCH(QString, which);
    QFETCH(bool, shows);
    HostProgram x;
    QVERIFY(x.valid());
    XSetWindowAttributes none{};
    const Window id = which == QLatin1String("input-output") ? x.create(x.root(), QSize(40, 30))
        : which == QLatin1String("input-only") ? XCreateWindow(x.display(), x.root(), 0, 0, 40, 30, 0, 0, InputOnly, CopyFromParent, 0, &none)
                                               : 0x1ff00001;
    x.sync();
    QCOMPARE(X11HostWindow(id).showsDrawing(), shows);
}

void tst_x11hostwindow::holdsOnlyItsOwnChildren_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<bool>("held");
    QTest::newRow("child") << QStringLiteral("child") << true;
    QTest::newRow("unmapped child") << QStringLiteral("unmapped child") << true;
    QTest::newRow("grandchild") << QStringLiteral("grandchild") << false;
    QTest::newRow("window elsewhere") << QStringLiteral("elsewhere") << false;
    QTest::newRow("the host itself") << QStringLiteral("host") << false;
    QTest::newRow("destroyed child") << QStringLiteral("destroyed child") << false;
    QTest::newRow("no window") << QStringLiteral("zero") << false;
}

void tst_x11hostwindow::holdsOnlyItsOwnChildren()
{
    QFETCH(QString, which);
    QFETCH(bool, held);
    HostProgram x;
    QVERIFY(x.valid());
    const Window host = x.create(x.root(), QSize(200, 150));
    const Window child = x.create(host, QSize(50, 40));
    Window window = child;
    if (which == QLatin1String("unmapped child"))
        XUnmapWindow(x.display(), child);
    else if (which == QLatin1String("grandchild"))
        window = x.create(child, QSize(10, 10));
    else if (which == QLatin1String("elsewhere"))
        window = x.create(x.root(), QSize(10, 10));
    else if (which == QLatin1String("host"))
        window = host;
    else if (which == QLatin1String("destroyed child"))
        XDestroyWindow(x.display(), child);
    else if (which == QLatin1String("zero"))
        window = 0;
    x.sync();
    QCOMPARE(X11HostWindow(host).holdsChild(window), held);
}

void tst_x11hostwindow::endsEmbedding_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("host destroyed") << QStringLiteral("destroy host");
    QTest::newRow("host's parent destroyed") << QStringLiteral("destroy frame");
    QTest::newRow("embedded destroyed") << QStringLiteral("destroy embedded");
    QTest::newRow("embedded unmapped") << QStringLiteral("unmap embedded");
    QTest::newRow("embedded taken to the root") << QStringLiteral("reparent to root");
    QTest::newRow("embedded taken to a sibling") << QStringLiteral("reparent to sibling");
}

void tst_x11hostwindow::endsEmbedding()
{
    QFETCH(QString, how);
    HostProgram x;
    QVERIFY(x.valid());
    const Window frame = x.create(x.root(), QSize(300, 200));
    const Window host = x.create(frame, QSize(200, 150));
    const Window sibling = x.create(frame, QSize(20, 20));
    const Window embedded = x.create(host, QSize(200, 150));

    X11HostWindow watch(host);
    QSignalSpy ended(&watch, &X11HostWindow::ended);
    QVERIFY(watch.watch(embedded));

    Display *d = x.display();
    if (how == QLatin1String("destroy host"))
        XDestroyWindow(d, host);
    else if (how == QLatin1String("destroy frame"))
        XDestroyWindow(d, frame);
    else if (how == QLatin1String("destroy embedded"))
        XDestroyWindow(d, embedded);
    else if (how == QLatin1String("unmap embedded"))
        XUnmapWindow(d, embedded);
    else if (how == QLatin1String("reparent to root"))
        XReparentWindow(d, embedded, x.root(), 0, 0);
    else if (how == QLatin1String("reparent to sibling"))
        XReparentWindow(d, embedded, sibling, 0, 0);
    x.sync();

    QVERIFY(ended.wait(EndWithinMs));
    QVERIFY(!watch.isWatching());
    // Once: whatever else follows (the host's own end after the embedded window's) adds nothing.
    if (how != QLatin1String("destroy frame"))
        XDestroyWindow(d, frame);
    x.sync();
    QTest::qWait(QuietForMs);
    QCOMPARE(ended.count(), 1);
}

void tst_x11hostwindow::keepsEmbedding_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("host hidden") << QStringLiteral("unmap host");
    QTest::newRow("host hidden and shown again") << QStringLiteral("unmap and map host");
    QTest::newRow("host moved and resized") << QStringLiteral("configure host");
    QTest::newRow("another child of the host destroyed") << QStringLiteral("destroy other child");
    QTest::newRow("a window elsewhere destroyed") << QStringLiteral("destroy elsewhere");
}

void tst_x11hostwindow::keepsEmbedding()
{
    QFETCH(QString, how);
    HostProgram x;
    QVERIFY(x.valid());
    const Window host = x.create(x.root(), QSize(200, 150));
    const Window embedded = x.create(host, QSize(200, 150));
    const Window otherChild = x.create(host, QSize(10, 10));
    const Window elsewhere = x.create(x.root(), QSize(10, 10));

    X11HostWindow watch(host);
    QSignalSpy ended(&watch, &X11HostWindow::ended);
    QVERIFY(watch.watch(embedded));

    Display *d = x.display();
    if (how.startsWith(QLatin1String("unmap")))
        XUnmapWindow(d, host);
    if (how == QLatin1String("unmap and map host"))
        XMapWindow(d, host);
    else if (how == QLatin1String("configure host"))
        XMoveResizeWindow(d, host, 40, 30, 90, 60);
    else if (how == QLatin1String("destroy other child"))
        XDestroyWindow(d, otherChild);
    else if (how == QLatin1String("destroy elsewhere"))
        XDestroyWindow(d, elsewhere);
    x.sync();

    QVERIFY(!ended.wait(QuietForMs));
    QVERIFY(watch.isWatching());
    // Still watching: the host's end is noticed afterwards.
    XDestroyWindow(d, host);
    x.sync();
    QVERIFY(ended.wait(EndWithinMs));
}

void tst_x11hostwindow::refusesToWatch_data()
{
    QTest::addColumn<QString>("which");
    QTest::newRow("embedded is no child of the host") << QStringLiteral("not a child");
    QTest::newRow("host gone before the watch") << QStringLiteral("host gone");
    QTest::newRow("embedded gone before the watch") << QStringLiteral("embedded gone");
    QTest::newRow("embedded unmapped before the watch") << QStringLiteral("embedded unmapped");
    QTest::newRow("no embedded window") << QStringLiteral("zero");
    QTest::newRow("no host") << QStringLiteral("no host");
}

void tst_x11hostwindow::refusesToWatch()
{
    QFETCH(QString, which);
    HostProgram x;
    QVERIFY(x.valid());
    Window host = x.create(x.root(), QSize(200, 150));
    Window embedded = x.create(host, QSize(200, 150));
    Display *d = x.display();
    if (which == QLatin1String("not a child"))
        embedded = x.create(x.root(), QSize(20, 20));
    else if (which == QLatin1String("host gone"))
        XDestroyWindow(d, host);
    else if (which == QLatin1String("embedded gone"))
        XDestroyWindow(d, embedded);
    else if (which == QLatin1String("embedded unmapped"))
        XUnmapWindow(d, embedded);
    else if (which == QLatin1String("zero"))
        embedded = 0;
    else if (which == QLatin1String("no host"))
        host = 0;
    x.sync();

    X11HostWindow watch(host);
    QSignalSpy ended(&watch, &X11HostWindow::ended);
    QVERIFY(!watch.watch(embedded));
    QVERIFY(!watch.isWatching());
    QVERIFY(!ended.wait(QuietForMs));
}

QTEST_GUILESS_MAIN(tst_x11hostwindow)
#include "tst_x11hostwindow.moc"
