// The saver in hosted mode, as screen-saver daemons run it: inside a window of the test's own,
// following its size, ending on signals and on the window's loss, never taking input, never
// messaging the root window.
#include "tests/support/E2eHarness.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TunnelShots.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <csignal>

using namespace e2e;

namespace {
constexpr int ShowTimeoutMs = 15000;
constexpr int EndTimeoutMs = 3000;
const QRgb HostColour = qRgb(255, 0, 0);

QString hex(WindowId window) { return QStringLiteral("0x%1").arg(window, 0, 16); }

QProcessEnvironment daemonWindow(const QString &value)
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("XSCREENSAVER_WINDOW"), value);
    return environment;
}

// A host window of the test's own on a server whose desktop is a two-colour picture's colours.
struct Hosted {
    XServer x{QSize(1024, 768)};
    ProgramCopy program;
    WindowId host = 0;
    std::unique_ptr<Run> run;

    explicit Hosted(const QRect &hostRect = QRect(100, 80, 400, 300)) { host = x.createWindow(hostRect, {}, HostColour); }

    bool start(const QStringList &arguments, const QProcessEnvironment &environment = {})
    {
        if (!x.isRunning() || !program.isValid() || host == 0)
            return false;
        run = std::make_unique<Run>(program, x, arguments, environment);
        return run->started();
    }
    // The program's child window in `window`, once it is viewable there.
    std::optional<WindowId> child(WindowId window) const
    {
        for (WindowId w : x.childrenOf(window))
            if (x.isViewable(w))
                return w;
        return std::nullopt;
    }
    // The tunnel fills `window`: its child covers it exactly and the tunnel shows there.
    bool drawsIn(WindowId window)
    {
        return waitUntil(
            [&] {
                const auto inside = child(window);
                const auto area = x.geometryOnRoot(window);
                return inside && area && x.geometryOnRoot(*inside) == area
                       && tunnelshots::showsTunnel(x.grabRect(*area));
            },
            ShowTimeoutMs);
    }
    bool endsWithStatusZero() { return run->waitForExit(EndTimeoutMs) && run->exitedNormally() && run->exitCode() == 0; }
    // Stopped by `signal`, it ends by that signal, as daemons expect.
    bool endsBy(int signal) { return run->waitForExit(EndTimeoutMs) && run->endingSignal() == signal; }
};
} // namespace

class tst_e2e_hosted : public QObject
{
    Q_OBJECT

private slots:
    void badCommandLinesEndBeforeDrawing_data();
    void badCommandLinesEndBeforeDrawing();
    void fillsTheHostAndFollowsItsSize();
    void windowFromTheEnvironmentAndPrecedence_data();
    void windowFromTheEnvironmentAndPrecedence();
    void daemonsDesktopPictureIsTheTexture();
    void withoutDesktopPictureTheBuiltInWallMoves();
    void frameRateShowsInTheCorner_data();
    void frameRateShowsInTheCorner();
    void takesNoInputAndIgnoresIt();
    void endsOnSignals_data();
    void endsOnSignals();
    void signalsDuringTheStartEndItByTheSignal_data();
    void signalsDuringTheStartEndItByTheSignal();
    void endsWhenTheHostIsDestroyed();
    void resumesAfterStopAndContinue();
    void sendsNoMessageToTheRootWindow();
};

void tst_e2e_hosted::badCommandLinesEndBeforeDrawing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("environmentWindow");
    QTest::addColumn<int>("status");
    QTest::newRow("help") << QStringList{"--help"} << QString() << 0;
    QTest::newRow("unknown option") << QStringList{"--root", "--sparkle"} << QString() << 2;
    QTest::newRow("speed out of range") << QStringList{"--root", "--speed", "0"} << QString() << 2;
    QTest::newRow("speed not a number") << QStringList{"--speed", "fast"} << QString() << 2;
    QTest::newRow("texture unknown") << QStringList{"--texture", "photo"} << QString() << 2;
    QTest::newRow("window id not a number") << QStringList{"--window-id", "0xZZ"} << QString() << 2;
    QTest::newRow("window id missing") << QStringList{"-window-id"} << QString() << 2;
    QTest::newRow("garbled environment window") << QStringList{"-root"} << QStringLiteral("window") << 2;
}

void tst_e2e_hosted::badCommandLinesEndBeforeDrawing()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, environmentWindow);
    QFETCH(int, status);
    Hosted hosted;
    const QList<WindowId> before = hosted.x.viewableTopLevels();
    QVERIFY(hosted.start(arguments, environmentWindow.isNull() ? QProcessEnvironment() : daemonWindow(environmentWindow)));
    QVERIFY(hosted.run->waitForExit(EndTimeoutMs));
    QCOMPARE(hosted.run->exitCode(), status);
    const QByteArray out = status == 0 ? hosted.run->standardOutput() : hosted.run->standardError();
    QVERIFY2(status == 0 ? out.contains("--window-id") : out.count('\n') == 1, out.constData());
    QCOMPARE(hosted.x.viewableTopLevels(), before);
    QVERIFY(hosted.x.childrenOf(hosted.host).isEmpty());
}

void tst_e2e_hosted::fillsTheHostAndFollowsItsSize()
{
    Hosted hosted;
    QVERIFY(hosted.start({"--root", "--window-id", hex(hosted.host)}));
    QVERIFY(hosted.drawsIn(hosted.host));
    for (const QSize size : {QSize(640, 360), QSize(300, 500)}) {
        hosted.x.resizeWindow(hosted.host, size);
        QVERIFY2(hosted.drawsIn(hosted.host), qPrintable(QStringLiteral("after resizing to %1x%2").arg(size.width()).arg(size.height())));
    }
    hosted.run->sendSignal(SIGTERM);
    QVERIFY(hosted.endsBy(SIGTERM));
}

void tst_e2e_hosted::windowFromTheEnvironmentAndPrecedence_data()
{
    QTest::addColumn<QString>("form"); // how the environment names the first window
    QTest::addColumn<bool>("idFlagNamesSecond");
    QTest::newRow("XScreenSaver: hexadecimal") << QStringLiteral("hex") << false;
    QTest::newRow("xsecurelock: decimal") << QStringLiteral("decimal") << false;
    QTest::newRow("settings preview: the id flag wins") << QStringLiteral("hex") << true;
}

void tst_e2e_hosted::windowFromTheEnvironmentAndPrecedence()
{
    QFETCH(QString, form);
    QFETCH(bool, idFlagNamesSecond);
    Hosted hosted;
    const WindowId second = hosted.x.createWindow(QRect(560, 300, 320, 240), {}, HostColour);
    const QString first = form == QLatin1String("hex") ? hex(hosted.host) : QString::number(hosted.host);
    QStringList arguments{QStringLiteral("-root")};
    if (idFlagNamesSecond)
        arguments << QStringLiteral("--window-id") << hex(second);
    QVERIFY(hosted.start(arguments, daemonWindow(first)));
    const WindowId expected = idFlagNamesSecond ? second : hosted.host;
    QVERIFY(hosted.drawsIn(expected));
    QVERIFY(hosted.x.childrenOf(idFlagNamesSecond ? hosted.host : second).isEmpty());
    hosted.run->sendSignal(SIGTERM);
    QVERIFY(hosted.endsBy(SIGTERM));
}

void tst_e2e_hosted::daemonsDesktopPictureIsTheTexture()
{
    const QRgb left = qRgb(200, 40, 160);
    const QRgb right = qRgb(20, 180, 90);
    Hosted hosted(QRect(0, 0, 640, 480));
    QImage desktop(320, 240, QImage::Format_RGB32);
    desktop.fill(right);
    for (int y = 0; y < desktop.height(); ++y)
        for (int x = 0; x < desktop.width() / 2; ++x)
            desktop.setPixel(x, y, left);
    hosted.x.setScreenshotProperty(hosted.host, desktop);
    QVERIFY(hosted.start({"--root"}, daemonWindow(hex(hosted.host))));
    QVERIFY(hosted.drawsIn(hosted.host));
    const QList<QRgb> wall = tunnelshots::wallSamples(hosted.x.grabRect(QRect(0, 0, 640, 480)));
    using tunnelshots::countNear;
    QVERIFY2(countNear(wall, left) >= 4 && countNear(wall, right) >= 4, qPrintable(tunnelshots::describe(wall)));
    hosted.run->sendSignal(SIGTERM);
    QVERIFY(hosted.endsBy(SIGTERM));
}

// No picture on the host and no picture file: the built-in wall, whose streaming shows as most
// pixels changing from one second to the next.
void tst_e2e_hosted::withoutDesktopPictureTheBuiltInWallMoves()
{
    Hosted hosted;
    QVERIFY(hosted.start({"--root"}, daemonWindow(hex(hosted.host))));
    QVERIFY(hosted.drawsIn(hosted.host));
    const QRect area(100, 80, 400, 300);
    const QImage first = hosted.x.grabRect(area).convertToFormat(QImage::Format_RGB32);
    QTest::qWait(1000);
    const QImage second = hosted.x.grabRect(area).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(second.size(), first.size());
    qsizetype changed = 0;
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x)
            changed += first.pixel(x, y) != second.pixel(x, y);
    const qsizetype all = qsizetype(first.width()) * first.height();
    QVERIFY2(changed * 2 > all, qPrintable(QStringLiteral("%1 of %2 pixels changed").arg(changed).arg(all)));
    hosted.run->sendSignal(SIGTERM);
    QVERIFY(hosted.endsBy(SIGTERM));
}

void tst_e2e_hosted::frameRateShowsInTheCorner_data()
{
    QTest::addColumn<QStringList>("flags");
    QTest::addColumn<bool>("shown");
    QTest::newRow("--fps") << QStringList{"--fps"} << true;
    QTest::newRow("XScreenSaver's -fps") << QStringList{"-fps"} << true;
    QTest::newRow("-no-fps after -fps") << QStringList{"-fps", "-no-fps"} << false;
}

// Over a dark wall, near-white pixels in the bottom-left corner are the frame rate's text.
void tst_e2e_hosted::frameRateShowsInTheCorner()
{
    QFETCH(QStringList, flags);
    QFETCH(bool, shown);
    Hosted hosted;
    const QString picture = hosted.program.path(QStringLiteral("dark.bmp"));
    QVERIFY(testfiles::writeTwoColourPicture(picture, qRgb(20, 30, 90), qRgb(60, 20, 40)));
    QVERIFY(hosted.start(QStringList{"--root", "--texture", "picture", "--picture", picture} + flags,
                         daemonWindow(hex(hosted.host))));
    QVERIFY(waitUntil([&] { return hosted.child(hosted.host).has_value(); }, ShowTimeoutMs));
    const QRect corner(100, 80 + 300 - 60, 160, 60);
    const auto textShows = [&] {
        const QImage shot = hosted.x.grabRect(corner);
        int white = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                white += qGray(shot.pixel(x, y)) > 200;
        return white >= 20;
    };
    // The figure comes after the first second of frames.
    QCOMPARE(waitUntil(textShows, shown ? ShowTimeoutMs : 2500), shown);
    hosted.run->sendSignal(SIGTERM);
    QVERIFY(hosted.endsBy(SIGTERM));
}

void tst_e2e_hosted::takesNoInputAndIgnoresIt()
{
    Hosted hosted;
    QVERIFY(hosted.start({"--root"}, daemonWindow(hex(hosted.host))));
    QVERIFY(hosted.drawsIn(hosted.host));
    QVERIFY(hosted.x.keyboardGrabbable());
    QCOMPARE(hosted.x.xdotool({"mousemove", "300", "200", "click", "1", "key", "space", "Escape"}), 0);
    QTest::qWait(500);
    QVERIFY(hosted.run->isRunning());
    QVERIFY(hosted.drawsIn(hosted.host));
    hosted.run->sendSignal(SIGTERM);
    QVERIFY(hosted.endsBy(SIGTERM));
}

void tst_e2e_hosted::endsOnSignals_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void tst_e2e_hosted::endsOnSignals()
{
    QFETCH(int, signal);
    Hosted hosted;
    QVERIFY(hosted.start({"--root"}, daemonWindow(hex(hosted.host))));
    QVERIFY(hosted.drawsIn(hosted.host));
    QElapsedTimer clock;
    clock.start();
    hosted.run->sendSignal(signal);
    QVERIFY(hosted.endsBy(signal));
    qInfo("ended %lld ms after the signal", static_cast<long long>(clock.elapsed()));
    QVERIFY(hosted.x.childrenOf(hosted.host).isEmpty());
}

// A daemon may stop the saver at any moment of its start; each such end is the clean one, in time.
void tst_e2e_hosted::signalsDuringTheStartEndItByTheSignal_data()
{
    QTest::addColumn<QStringList>("arguments"); // "HOST": the host window
    QTest::addColumn<bool>("daemonNamesHost");  // XSCREENSAVER_WINDOW names it
    QTest::newRow("--window-id") << QStringList{"--window-id", "HOST"} << false;
    QTest::newRow("-root in the daemon's window") << QStringList{"-root"} << true;
    QTest::newRow("--root on the root window") << QStringList{"--root"} << false;
}

void tst_e2e_hosted::signalsDuringTheStartEndItByTheSignal()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, daemonNamesHost);
    Hosted hosted;
    arguments.replaceInStrings(QStringLiteral("HOST"), hex(hosted.host));
    const QList<int> stops{SIGTERM, SIGINT, SIGHUP};
    for (int i = 0; i < 12; ++i) {
        const int delayMs = 2 * i * i; // 0 to 242 ms, densest at the very start
        const int signal = stops[i % stops.size()];
        QVERIFY(hosted.start(arguments, daemonNamesHost ? daemonWindow(hex(hosted.host)) : QProcessEnvironment()));
        QThread::msleep(delayMs);
        hosted.run->sendSignal(signal);
        QVERIFY2(hosted.endsBy(signal), qPrintable(QStringLiteral("signal %1 after %2 ms").arg(signal).arg(delayMs)));
    }
}

void tst_e2e_hosted::endsWhenTheHostIsDestroyed()
{
    Hosted hosted;
    QVERIFY(hosted.start({"--root"}, daemonWindow(hex(hosted.host))));
    QVERIFY(hosted.drawsIn(hosted.host));
    hosted.x.destroyWindow(hosted.host);
    QVERIFY(hosted.endsWithStatusZero());
}

void tst_e2e_hosted::resumesAfterStopAndContinue()
{
    Hosted hosted;
    // A picture, so that the moving wall shows.
    const QString picture = hosted.program.path(QStringLiteral("halves.bmp"));
    QVERIFY(testfiles::writeTwoColourPicture(picture, qRgb(30, 90, 220), qRgb(250, 200, 20)));
    QVERIFY(hosted.start({"--root", "--speed", "100", "--texture", "picture", "--picture", picture},
                         daemonWindow(hex(hosted.host))));
    QVERIFY(hosted.drawsIn(hosted.host));
    hosted.run->sendSignal(SIGSTOP);
    QTest::qWait(700);
    const QRect area(100, 80, 400, 300);
    const QImage stopped = hosted.x.grabRect(area);
    hosted.run->sendSignal(SIGCONT);
    // Moving again, and still the tunnel.
    QVERIFY(waitUntil([&] { return hosted.x.grabRect(area) != stopped; }, ShowTimeoutMs));
    QVERIFY(hosted.drawsIn(hosted.host));
    QVERIFY(hosted.run->isRunning());
    hosted.run->sendSignal(SIGTERM);
    QVERIFY(hosted.endsBy(SIGTERM));
}

// A daemon takes client messages on the root window for its own (xsecurelock logs each one it does
// not expect): the hosted saver sends none while it starts, draws, follows the host and ends.
void tst_e2e_hosted::sendsNoMessageToTheRootWindow()
{
    Hosted hosted;
    RootMessages messages(hosted.x);
    QVERIFY(hosted.start({"-root"}, daemonWindow(QString::number(hosted.host))));
    QVERIFY(hosted.drawsIn(hosted.host));
    hosted.x.resizeWindow(hosted.host, QSize(320, 240));
    QVERIFY(hosted.drawsIn(hosted.host));
    hosted.run->sendSignal(SIGTERM);
    QVERIFY(hosted.endsBy(SIGTERM));
    const QStringList sent = messages.received();
    QVERIFY2(sent.isEmpty(), qPrintable(sent.join(QLatin1String(", "))));
}

QTEST_GUILESS_MAIN(tst_e2e_hosted)
#include "tst_e2e_hosted.moc"
