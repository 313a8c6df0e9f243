// Tests of the caption search that refuses a second instance: exact captions, both properties, vanishing windows.
#include "platform/CaptionSearch.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QTest>
#include <QWindow>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <atomic>
#include <thread>

namespace {

constexpr int kDeadlineMs = 5000;

// Polls `search` until it gives `expected` or the deadline passes; returns the last answer.
bool pollUntil(const QString &caption, bool expected)
{
    QDeadlineTimer deadline(kDeadlineMs);
    bool found = CaptionSearch::windowExists(caption);
    while (found != expected && !deadline.hasExpired()) {
        QTest::qWait(20);
        found = CaptionSearch::windowExists(caption);
    }
    return found;
}

// A window of a separate Xlib connection whose only caption is an old-style WM_NAME of type STRING.
class PlainXWindow
{
public:
    explicit PlainXWindow(const QByteArray &latin1Name) : display_(XOpenDisplay(nullptr))
    {
        if (!display_)
            return;
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 10, 10, 0, 0, 0);
        XChangeProperty(display_, window_, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(latin1Name.constData()), int(latin1Name.size()));
        XSync(display_, False);
    }
    ~PlainXWindow()
    {
        if (!display_)
            return;
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
    bool valid() const { return display_ != nullptr; }

private:
    Display *display_ = nullptr;
    Window window_ = 0;
};

} // namespace

class tst_captionsearch : public QObject
{
    Q_OBJECT

private slots:
    void findsToolkitWindowByExactCaption_data();
    void findsToolkitWindowByExactCaption();
    void findsUnmappedWindowWithOnlyWmName();
    void survivesWindowsVanishingDuringTheWalk();
    void noDisplayFindsNothing();
    void sharedConnectionIsLeftAsItWasFound();
};

void tst_captionsearch::findsToolkitWindowByExactCaption_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("sought");
    QTest::addColumn<bool>("found");
    const QString saver = QStringLiteral("Helixcavern_Main");
    const QString dialog = QStringLiteral("Helixcavernの設定");
    QTest::newRow("saver caption") << saver << saver << true;
    QTest::newRow("dialog caption in UTF-8") << dialog << dialog << true;
    QTest::newRow("prefix is not enough") << QStringLiteral("Helixcavern_Main 2") << saver << false;
    QTest::newRow("caption is case-sensitive") << QStringLiteral("helixcavern_main") << saver << false;
    QTest::newRow("part of the caption") << QStringLiteral("Helixcavern") << saver << false;
    QTest::newRow("other Japanese caption") << QStringLiteral("Helixcavernの設") << dialog << false;
}

void tst_captionsearch::findsToolkitWindowByExactCaption()
{
    QFETCH(QString, title);
    QFETCH(QString, sought);
    QFETCH(bool, found);
    QVERIFY(!CaptionSearch::windowExists(sought));
    QWindow window;
    window.setTitle(title);
    window.resize(50, 50);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The title marks the window itself as found; wait for it to arrive before judging the other case.
    QVERIFY(pollUntil(title, true));
    QCOMPARE(CaptionSearch::windowExists(sought), found);
    window.destroy();
    QVERIFY(!pollUntil(title, false));
}

void tst_captionsearch::findsUnmappedWindowWithOnlyWmName()
{
    const QString caption = QStringLiteral("Helixcavern_Main");
    QVERIFY(!CaptionSearch::windowExists(caption));
    {
        PlainXWindow window("Helixcavern_Main");
        QVERIFY(window.valid());
        QVERIFY(CaptionSearch::windowExists(caption));
    }
    QVERIFY(!CaptionSearch::windowExists(caption));
}

void tst_captionsearch::survivesWindowsVanishingDuringTheWalk()
{
    // Another client creates and destroys windows as fast as it can while the tree is walked; the
    // search must neither die of BadWindow nor lose the window that stays.
    PlainXWindow stays("Helixcavern_Main");
    QVERIFY(stays.valid());
    std::atomic<bool> stop = false;
    std::thread churn([&stop] {
        Display *display = XOpenDisplay(nullptr);
        if (!display)
            return;
        while (!stop) {
            Window windows[50];
            for (Window &w : windows) {
                w = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 5, 5, 0, 0, 0);
                XStoreName(display, w, "churn");
            }
            XFlush(display);
            for (Window w : windows)
                XDestroyWindow(display, w);
            XFlush(display);
        }
        XCloseDisplay(display);
    });
    int found = 0;
    constexpr int kRounds = 100;
    for (int i = 0; i < kRounds; ++i)
        found += CaptionSearch::windowExists(QStringLiteral("Helixcavern_Main")) ? 1 : 0;
    stop = true;
    churn.join();
    QCOMPARE(found, kRounds);
}

void tst_captionsearch::noDisplayFindsNothing()
{
    const QByteArray saved = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":65000"); // a display number no server uses
    const bool found = CaptionSearch::windowExists(QStringLiteral("Helixcavern_Main"));
    qputenv("DISPLAY", saved);
    QVERIFY(!found);
}

namespace {
int sharedConnectionErrors = 0;
int countError(Display *, XErrorEvent *)
{
    ++sharedConnectionErrors;
    return 0;
}
} // namespace

void tst_captionsearch::sharedConnectionIsLeftAsItWasFound()
{
    // Start-up asks all its questions on one connection: after each search that connection must
    // still answer, with its owner's error handler back in place and no error of the walk left over.
    const QString caption = QStringLiteral("Helixcavern_Main");
    QVERIFY(!CaptionSearch::windowExists(nullptr, caption));
    Display *shared = XOpenDisplay(nullptr);
    QVERIFY(shared != nullptr);
    const XErrorHandler previous = XSetErrorHandler(countError);
    sharedConnectionErrors = 0;
    QVERIFY(!CaptionSearch::windowExists(shared, caption));
    {
        PlainXWindow window("Helixcavern_Main");
        QVERIFY(window.valid());
        QVERIFY(CaptionSearch::windowExists(shared, caption));
        QVERIFY(!CaptionSearch::windowExists(shared, QStringLiteral("Helixcavernの設定")));
    }
    QVERIFY(!CaptionSearch::windowExists(shared, caption));
    QCOMPARE(sharedConnectionErrors, 0);
    // A request that fails now reaches the owner's handler, so the connection still works.
    XRaiseWindow(shared, Window(0x1fffffff));
    XSync(shared, False);
    QCOMPARE(sharedConnectionErrors, 1);
    XSetErrorHandler(previous);
    XCloseDisplay(shared);
}

QTEST_MAIN(tst_captionsearch)
#include "tst_captionsearch.moc"
