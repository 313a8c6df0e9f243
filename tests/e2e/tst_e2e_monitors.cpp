// The saver on a desk of several monitors and on scaled screens: one window per monitor, each
// with its own tunnel and its own part of the desktop, one key ending them all.
#include "tests/support/E2eHarness.h"
#include "tests/support/TunnelShots.h"

#include <QSet>
#include <QTest>

#include <algorithm>

using namespace e2e;
using namespace tunnelshots;

namespace {
const QString Caption = QStringLiteral("Helixcavern_Main");
constexpr int ShowTimeoutMs = 20000;
constexpr int EndTimeoutMs = 5000;
const QList<QRgb> DesktopColours{qRgb(200, 40, 160), qRgb(20, 180, 90), qRgb(230, 200, 40)};

QSet<QRect> windowRects(const XServer &x)
{
    QSet<QRect> rects;
    for (WindowId w : x.windowsWithCaption(Caption))
        if (x.isViewable(w))
            if (const auto rect = x.geometryOnRoot(w))
                rects << *rect;
    return rects;
}

bool coveredWithTunnels(const XServer &x, const QList<QRect> &monitors)
{
    if (windowRects(x) != QSet<QRect>(monitors.begin(), monitors.end()))
        return false;
    const QImage shot = x.grabScreen();
    return std::all_of(monitors.begin(), monitors.end(), [&](const QRect &m) { return showsTunnel(shot, m); });
}
} // namespace

class tst_e2e_monitors : public QObject
{
    Q_OBJECT

private slots:
    void everyMonitorCoveredAndOneKeyEndsAll_data();
    void everyMonitorCoveredAndOneKeyEndsAll();
    void removedMonitorLosesItsWindow();
    void scaledScreenCoveredInDevicePixels();
};

void tst_e2e_monitors::everyMonitorCoveredAndOneKeyEndsAll_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QList<QRect>>("monitors");
    QTest::newRow("two, different sizes") << QSize(1824, 768) << QList<QRect>{{0, 0, 1024, 768}, {1024, 0, 800, 600}};
    QTest::newRow("three in a row") << QSize(1824, 768)
                                    << QList<QRect>{{0, 0, 608, 768}, {608, 0, 608, 768}, {1216, 0, 608, 768}};
}

void tst_e2e_monitors::everyMonitorCoveredAndOneKeyEndsAll()
{
    QFETCH(QSize, screen);
    QFETCH(QList<QRect>, monitors);
    XServer x(screen);
    QVERIFY(x.isRunning());
    QVERIFY(x.setMonitors(monitors));
    // Each monitor shows a desktop of its own colour.
    for (int i = 0; i < monitors.size(); ++i)
        x.createWindow(monitors[i], {}, DesktopColours[i]);
    ProgramCopy program;
    QVERIFY(program.isValid());
    Run run(program, x, {QStringLiteral("/s")});
    QVERIFY(run.started());
    QVERIFY(waitUntil([&] { return coveredWithTunnels(x, monitors); }, ShowTimeoutMs));
    // Each wall is made of its own monitor's part of the desktop.
    const QImage shot = x.grabScreen();
    for (int i = 0; i < monitors.size(); ++i) {
        const QList<QRgb> wall = wallSamples(shot, 24, monitors[i]);
        QVERIFY2(countNear(wall, DesktopColours[i]) >= 20, qPrintable(describe(wall)));
    }
    QCOMPARE(x.xdotool({QStringLiteral("key"), QStringLiteral("space")}), 0);
    QVERIFY(run.waitForExit(EndTimeoutMs));
    QVERIFY(run.exitedNormally());
    QCOMPARE(run.exitCode(), 0);
    QVERIFY(windowRects(x).isEmpty());
}

void tst_e2e_monitors::removedMonitorLosesItsWindow()
{
    const QList<QRect> monitors{{0, 0, 1024, 768}, {1024, 0, 800, 600}};
    XServer x(QSize(1824, 768));
    QVERIFY(x.setMonitors(monitors));
    x.fillRoot(DesktopColours[2]);
    ProgramCopy program;
    Run run(program, x, {QStringLiteral("/s")});
    QVERIFY(waitUntil([&] { return coveredWithTunnels(x, monitors); }, ShowTimeoutMs));
    QVERIFY(x.removeMonitor(1));
    QVERIFY(waitUntil([&] { return coveredWithTunnels(x, {monitors[0]}); }, ShowTimeoutMs));
    QVERIFY(run.isRunning());
    QCOMPARE(x.xdotool({QStringLiteral("key"), QStringLiteral("space")}), 0);
    QVERIFY(run.waitForExit(EndTimeoutMs));
    QCOMPARE(run.exitCode(), 0);
}

void tst_e2e_monitors::scaledScreenCoveredInDevicePixels()
{
    XServer x(QSize(1024, 768));
    x.fillRoot(DesktopColours[1]);
    ProgramCopy program;
    QProcessEnvironment scaled;
    scaled.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    Run run(program, x, {QStringLiteral("/s")}, scaled);
    QVERIFY(waitUntil([&] { return coveredWithTunnels(x, {QRect(0, 0, 1024, 768)}); }, ShowTimeoutMs));
    QCOMPARE(x.xdotool({QStringLiteral("key"), QStringLiteral("space")}), 0);
    QVERIFY(run.waitForExit(EndTimeoutMs));
}

QTEST_GUILESS_MAIN(tst_e2e_monitors)
#include "tst_e2e_monitors.moc"
