// Start-up end to end: the real helixcavern under Xvfb refuses to run beside an open saver or
// settings dialog, and ends at once on an unknown switch, creating no window either way; a start
// with closed standard streams ends as an ordinary one does.
#include "tests/support/E2eHarness.h"

#include <QProcess>
#include <QTest>

#include <X11/Xlib.h>

#include <csignal>

using namespace e2e;

namespace {

const QString SaverCaption = QStringLiteral("Helixcavern_Main");
const QString DialogCaption = QStringLiteral("Helixcavernの設定");
constexpr int EndAtOnceMs = 3000;
constexpr int ShowTimeoutMs = 15000;
constexpr int QuietMs = 500;

// Records every window that any client creates or maps on the server from now on.
class RootWatch
{
public:
    explicit RootWatch(const XServer &x) : x_(x)
    {
        XSelectInput(x_.connection(), DefaultRootWindow(x_.connection()), SubstructureNotifyMask);
        x_.sync();
    }
    ~RootWatch() { XSelectInput(x_.connection(), DefaultRootWindow(x_.connection()), NoEventMask); }
    RootWatch(const RootWatch &) = delete;
    RootWatch &operator=(const RootWatch &) = delete;

    // Windows created or mapped since the last call.
    int newWindows()
    {
        x_.sync();
        int count = 0;
        while (XPending(x_.connection())) {
            XEvent event;
            XNextEvent(x_.connection(), &event);
            if (event.type == CreateNotify || event.type == MapNotify)
                ++count;
        }
        return count;
    }

private:
    const XServer &x_;
};

} // namespace

class tst_e2e_startup : public QObject
{
    Q_OBJECT

private slots:
    void openInstanceBlocksEveryMode_data();
    void openInstanceBlocksEveryMode();
    void runningSaverBlocksASecondSaver();
    void unknownSwitchEndsAtOnce_data();
    void unknownSwitchEndsAtOnce();
    void modesStartWithoutABlocker_data();
    void modesStartWithoutABlocker();
    void noDisplayEndsWithAClearError_data();
    void noDisplayEndsWithAClearError();
    void closedStreamsEndInTime_data();
    void closedStreamsEndInTime();
};

void tst_e2e_startup::openInstanceBlocksEveryMode_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("arguments");
    for (const QString &caption : {SaverCaption, DialogCaption}) {
        for (const QStringList &args : {QStringList{"/s"}, QStringList{"/c"}, QStringList{"/p", "1"}, QStringList{}}) {
            const QString name = (caption == SaverCaption ? QStringLiteral("saver open, ") : QStringLiteral("dialog open, "))
                + (args.isEmpty() ? QStringLiteral("empty") : args.join(u' '));
            QTest::newRow(qPrintable(name)) << caption << args;
        }
    }
}

void tst_e2e_startup::openInstanceBlocksEveryMode()
{
    QFETCH(QString, caption);
    QFETCH(QStringList, arguments);
    XServer x;
    QVERIFY(x.isRunning());
    ProgramCopy program;
    QVERIFY(program.isValid());
    // The blocker is a plain window of another client, recognised by its caption alone.
    const WindowId blocker = x.createWindow(QRect(10, 10, 100, 50), caption, qRgb(0, 0, 255));
    QVERIFY(blocker != 0);
    RootWatch watch(x);

    Run run(program, x, arguments);
    QVERIFY(run.started());
    QVERIFY2(run.waitForExit(EndAtOnceMs), "a second instance must end at once");
    QVERIFY(run.exitedNormally());
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(watch.newWindows(), 0);
    QVERIFY(!program.settingsExist());
}

void tst_e2e_startup::runningSaverBlocksASecondSaver()
{
    XServer x;
    QVERIFY(x.isRunning());
    ProgramCopy program;
    QVERIFY(program.isValid());
    Run first(program, x, {QStringLiteral("/s")});
    QVERIFY(waitUntil([&] { return x.findWindow(SaverCaption).has_value(); }, ShowTimeoutMs));

    // Let the first saver finish making its windows, so that every window seen later is the second's.
    RootWatch watch(x);
    QVERIFY(waitUntil([&] {
        QTest::qWait(QuietMs);
        return watch.newWindows() == 0;
    }, ShowTimeoutMs, 0));
    Run second(program, x, {QStringLiteral("/s")});
    QVERIFY2(second.waitForExit(EndAtOnceMs), "a saver beside a running saver must end at once");
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(watch.newWindows(), 0);
    QVERIFY(first.isRunning());
}

void tst_e2e_startup::unknownSwitchEndsAtOnce_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("/x") << QStringList{"/x"};
    QTest::newRow("/a") << QStringList{"/a"};
    QTest::newRow("s alone") << QStringList{"s"};
    QTest::newRow("leading blank before /s") << QStringList{" /s"};
    QTest::newRow("blank argument then /s") << QStringList{"", "/s"};
    QTest::newRow("/p beyond 32 bits") << QStringList{"/p", "4294967296"};
    QTest::newRow("/p hex beyond 32 bits") << QStringList{"/p", "&H100000000"};
}

void tst_e2e_startup::unknownSwitchEndsAtOnce()
{
    QFETCH(QStringList, arguments);
    XServer x;
    QVERIFY(x.isRunning());
    ProgramCopy program;
    QVERIFY(program.isValid());
    RootWatch watch(x);
    Run run(program, x, arguments);
    QVERIFY(run.started());
    QVERIFY2(run.waitForExit(EndAtOnceMs), "an unknown switch must end the program at once");
    QVERIFY(run.exitedNormally());
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(watch.newWindows(), 0);
    QCOMPARE(run.standardError(), QByteArray());
}

// The counterpart of the tests above: without a blocker the same switches do open their window,
// so "no window" there is the instance check's doing and not a program that cannot start.
void tst_e2e_startup::modesStartWithoutABlocker_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("caption");
    QTest::newRow("/s") << QStringList{"/s"} << SaverCaption;
    QTest::newRow("/S") << QStringList{"/S"} << SaverCaption;
    QTest::newRow("/screen") << QStringList{"/screen"} << SaverCaption;
    QTest::newRow("empty") << QStringList{} << SaverCaption;
    QTest::newRow("/c") << QStringList{"/c"} << DialogCaption;
    QTest::newRow("/c:1234") << QStringList{"/c:1234"} << DialogCaption;
}

void tst_e2e_startup::modesStartWithoutABlocker()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, caption);
    XServer x;
    QVERIFY(x.isRunning());
    ProgramCopy program;
    QVERIFY(program.isValid());
    Run run(program, x, arguments);
    QVERIFY(run.started());
    QVERIFY2(waitUntil([&] {
                 const std::optional<WindowId> w = x.findWindow(caption);
                 return w && x.isViewable(*w);
             }, ShowTimeoutMs),
             qPrintable(QStringLiteral("no viewable window \"%1\"").arg(caption)));
}

void tst_e2e_startup::noDisplayEndsWithAClearError_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::newRow("/s") << QStringList{"/s"} << 1;
    QTest::newRow("/c") << QStringList{"/c"} << 1;
    QTest::newRow("/p 1") << QStringList{"/p", "1"} << 1;
    QTest::newRow("/x needs no display") << QStringList{"/x"} << 0;
}

void tst_e2e_startup::noDisplayEndsWithAClearError()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    ProgramCopy program;
    QVERIFY(program.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program.executable(), arguments);
    QVERIFY(process.waitForFinished(EndAtOnceMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit); // not Qt's abort
    QCOMPARE(process.exitCode(), status);
    if (status != 0)
        QVERIFY(process.readAllStandardError().contains("cannot connect to the X display"));
}

// A daemon may start the program with a standard stream closed; a connection that took its number
// would receive the messages and hang the end.
void tst_e2e_startup::closedStreamsEndInTime_data()
{
    QTest::addColumn<QStringList>("arguments"); // "HOST": a window of the test's own
    QTest::addColumn<QList<int>>("closed");
    QTest::addColumn<int>("status"); // below 0: sent that signal once it draws, and ended by it
    const QList<std::pair<const char *, QList<int>>> streams{
        {"stdin", {0}}, {"stdout", {1}}, {"stderr", {2}}, {"all three", {0, 1, 2}}};
    const QList<std::tuple<const char *, QStringList, int>> forms{
        {"bad flag", {"--speed", "0"}, 2},
        {"missing window", {"--window-id", "0x7fffff0"}, 1},
        {"help", {"--help"}, 0},
        {"unknown switch", {"/x"}, 0},
        {"hosted, stopped", {"--window-id", "HOST"}, -SIGTERM},
    };
    for (const auto &[form, arguments, status] : forms)
        for (const auto &[stream, closed] : streams)
            QTest::addRow("%s, %s closed", form, stream) << arguments << closed << status;
}

void tst_e2e_startup::closedStreamsEndInTime()
{
    QFETCH(QStringList, arguments);
    QFETCH(QList<int>, closed);
    QFETCH(int, status);
    XServer x;
    QVERIFY(x.isRunning());
    ProgramCopy program;
    QVERIFY(program.isValid());
    const WindowId host = x.createWindow(QRect(0, 0, 320, 240));
    arguments.replaceInStrings(QStringLiteral("HOST"), QStringLiteral("0x%1").arg(host, 0, 16));
    Run run(program, x, arguments, {}, closed);
    QVERIFY(run.started());
    if (status < 0) {
        QVERIFY(waitUntil([&] { return !x.childrenOf(host).isEmpty() && x.isViewable(x.childrenOf(host).first()); }, ShowTimeoutMs));
        run.sendSignal(-status);
    }
    QVERIFY2(run.waitForExit(EndAtOnceMs), "the program must end as it does with its streams open");
    QCOMPARE(run.endingSignal(), status < 0 ? -status : 0);
    if (status >= 0)
        QCOMPARE(run.exitCode(), status);
}

QTEST_GUILESS_MAIN(tst_e2e_startup)
#include "tst_e2e_startup.moc"
