// Tests of the X error trap: errors of its display counted, none lost at its end, nesting in any order, other displays passed on.
#include "platform/X11ErrorTrap.h"

#include <QTest>

#include <X11/Xlib.h>

#include <optional>

namespace {

constexpr Window NoSuchWindow = 0x1fffffff; // an id no client holds

int g_programErrors = 0;
int countProgramError(Display *, XErrorEvent *)
{
    ++g_programErrors;
    return 0;
}

// The handler of the program around the traps: counts what reaches it, or Xlib's own, which exits.
class ProgramHandler
{
public:
    explicit ProgramHandler(bool xlibsOwn) : previous_(XSetErrorHandler(xlibsOwn ? nullptr : countProgramError))
    {
        g_programErrors = 0;
    }
    ~ProgramHandler() { XSetErrorHandler(previous_); }

private:
    XErrorHandler previous_;
};

// A connection of the test's own.
struct Connection {
    Display *display = XOpenDisplay(nullptr);
    ~Connection() { XCloseDisplay(display); }
    void fail(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            XRaiseWindow(display, NoSuchWindow);
    }
};

} // namespace

class tst_x11errortrap : public QObject
{
    Q_OBJECT

private slots:
    void countsTheErrorsOfItsDisplay_data()
    {
        QTest::addColumn<QString>("requests");
        QTest::addColumn<int>("errors");
        QTest::newRow("raise a window no client holds") << QStringLiteral("raise") << 1;
        QTest::newRow("free a pixmap that does not exist") << QStringLiteral("free pixmap") << 1;
        QTest::newRow("three failing requests") << QStringLiteral("raise 3") << 3;
        QTest::newRow("raise the root window") << QStringLiteral("root") << 0;
    }
    void countsTheErrorsOfItsDisplay()
    {
        QFETCH(QString, requests);
        QFETCH(int, errors);
        Connection x;
        QVERIFY(x.display != nullptr);
        const ProgramHandler program(false);
        {
            const X11ErrorTrap trap(x.display);
            if (requests == QLatin1String("raise"))
                x.fail();
            else if (requests == QLatin1String("free pixmap"))
                XFreePixmap(x.display, Pixmap(NoSuchWindow));
            else if (requests == QLatin1String("raise 3"))
                x.fail(3);
            else
                XRaiseWindow(x.display, DefaultRootWindow(x.display));
            trap.sync();
            QCOMPARE(trap.errorCount(), errors);
        }
        QCOMPARE(g_programErrors, 0);
        x.fail(); // the program's handler is back
        XSync(x.display, False);
        QCOMPARE(g_programErrors, 1);
    }

    void errorsPendingAtItsEndStayWithIt()
    {
        Connection x;
        QVERIFY(x.display != nullptr);
        const ProgramHandler program(false);
        {
            const X11ErrorTrap trap(x.display);
            x.fail(); // not synced: the error is still on its way when the trap ends
        }
        XSync(x.display, False);
        QCOMPARE(g_programErrors, 0);
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
        const ProgramHandler program(false);
        std::optional<X11ErrorTrap> outer(std::in_place, x.display);
        std::optional<X11ErrorTrap> inner(std::in_place, x.display);
        x.fail();
        inner->sync();
        QCOMPARE(inner->errorCount(), 1);
        QCOMPARE(outer->errorCount(), 0);

        std::optional<X11ErrorTrap> &first = innerEndsFirst ? inner : outer;
        std::optional<X11ErrorTrap> &second = innerEndsFirst ? outer : inner;
        first.reset();
        x.fail();
        second->sync();
        QCOMPARE(second->errorCount(), innerEndsFirst ? 1 : 2);
        second.reset();
        QCOMPARE(g_programErrors, 0);
        x.fail();
        XSync(x.display, False);
        QCOMPARE(g_programErrors, 1);
    }

    void errorsOfOtherDisplaysPassOn_data()
    {
        QTest::addColumn<bool>("xlibsOwn");
        QTest::newRow("to the program's handler") << false;
        QTest::newRow("but never to Xlib's own, which exits") << true;
    }
    void errorsOfOtherDisplaysPassOn()
    {
        QFETCH(bool, xlibsOwn);
        Connection trapped;
        Connection other;
        QVERIFY(trapped.display != nullptr && other.display != nullptr);
        const ProgramHandler program(xlibsOwn);
        const X11ErrorTrap outer(trapped.display);
        const X11ErrorTrap inner(other.display);
        trapped.fail();
        outer.sync();
        QCOMPARE(outer.errorCount(), 1); // the innermost trap of the error's own display
        QCOMPARE(inner.errorCount(), 0);
        Connection untrapped;
        QVERIFY(untrapped.display != nullptr);
        untrapped.fail();
        XSync(untrapped.display, False);
        QCOMPARE(g_programErrors, xlibsOwn ? 0 : 1);
        QCOMPARE(outer.errorCount() + inner.errorCount(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_x11errortrap)
#include "tst_x11errortrap.moc"
