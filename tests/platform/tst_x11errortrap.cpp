// Tests of the X error trap: errors of its display counted, none lost at its end, nesting in any order, other displays passed on.
#include "platform/X11ErrorTrap.h"

#include <QTest>

#include <X11/Xlib.h>

#include <optional>

namespace {

int g_programErrors = 0;
int countProgramError(Display *, XErrorEvent *)
{
    ++g_programErrors;
    return 0;
}

// A connection of the test's own, under the program's error handler: one that counts, or Xlib's
// own, which exits.
struct Connection {
    explicit Connection(bool xlibsOwnHandler = false)
        : before(XSetErrorHandler(xlibsOwnHandler ? nullptr : countProgramError))
    {
        g_programErrors = 0;
    }
    ~Connection()
    {
        XCloseDisplay(display);
        XSetErrorHandler(before);
    }
    void fail(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            XRaiseWindow(display, Window(0x1fffffff)); // an id no client holds
    }
    int programErrorsAfterSync()
    {
        XSync(display, False);
        return g_programErrors;
    }

    Display *display = XOpenDisplay(nullptr);
    XErrorHandler before;
};

} // namespace

class tst_x11errortrap : public QObject
{
    Q_OBJECT

private slots:
    void countsTheErrorsOfItsDisplay_data()
    {
        QTest::addColumn<int>("failing");
        QTest::newRow("a request on a window no client holds") << 1;
        QTest::newRow("three of them") << 3;
        QTest::newRow("none") << 0;
    }
    void countsTheErrorsOfItsDisplay()
    {
        QFETCH(int, failing);
        Connection x;
        QVERIFY(x.display != nullptr);
        {
            const X11ErrorTrap trap(x.display);
            x.fail(failing);
            XRaiseWindow(x.display, DefaultRootWindow(x.display));
            trap.sync();
            QCOMPARE(trap.errorCount(), failing);
        }
        QCOMPARE(g_programErrors, 0);
        x.fail(); // the program's handler is back
        QCOMPARE(x.programErrorsAfterSync(), 1);
    }

    void errorsPendingAtItsEndStayWithIt()
    {
        Connection x;
        QVERIFY(x.display != nullptr);
        {
            const X11ErrorTrap trap(x.display);
            x.fail(); // not synced: the error is still on its way when the trap ends
        }
        QCOMPARE(x.programErrorsAfterSync(), 0);
    }

    void nestedTrapsEndInAnyOrder_data()
    {
        QTest::addColumn<bool>("innerEndsFirst");
        QTest::newRow("inner ends first") << true;
        QTest::newRow("outer ends first") << false;
    }
    void nestedTrapsEndInAnyOrder()
    {
        QFETCH(bool, innerEndsFirst);
        Connection x;
        QVERIFY(x.display != nullptr);
        std::optional<X11ErrorTrap> outer(std::in_place, x.display);
        std::optional<X11ErrorTrap> inner(std::in_place, x.display);
        x.fail();
        inner->sync();
        QCOMPARE(inner->errorCount(), 1);
        QCOMPARE(outer->errorCount(), 0);
        std::optional<X11ErrorTrap> &second = innerEndsFirst ? outer : inner;
        (innerEndsFirst ? inner : outer).reset();
        x.fail();
        second->sync();
        QCOMPARE(second->errorCount(), innerEndsFirst ? 1 : 2);
        second.reset();
        QCOMPARE(g_programErrors, 0);
        x.fail();
        QCOMPARE(x.programErrorsAfterSync(), 1);
    }

    void errorsOfOtherDisplaysPassOn_data()
    {
        QTest::addColumn<bool>("xlibsOwnHandler");
        QTest::newRow("to the program's handler") << false;
        QTest::newRow("but never to Xlib's own, which exits") << true;
    }
    void errorsOfOtherDisplaysPassOn()
    {
        QFETCH(bool, xlibsOwnHandler);
        Connection trapped(xlibsOwnHandler), other(xlibsOwnHandler), untrapped(xlibsOwnHandler);
        QVERIFY(trapped.display != nullptr && other.display != nullptr && untrapped.display != nullptr);
        const X11ErrorTrap outer(trapped.display);
        const X11ErrorTrap inner(other.display);
        trapped.fail();
        outer.sync();
        QCOMPARE(outer.errorCount(), 1); // the innermost trap of the error's own display
        QCOMPARE(inner.errorCount(), 0);
        untrapped.fail();
        QCOMPARE(untrapped.programErrorsAfterSync(), xlibsOwnHandler ? 0 : 1);
        QCOMPARE(outer.errorCount() + inner.errorCount(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_x11errortrap)
#include "tst_x11errortrap.moc"
