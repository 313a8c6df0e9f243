// Checks the end-to-end harness itself, so a failing end-to-end test points at the program.
#include "tests/support/E2eHarness.h"

#include <QFileInfo>
#include <QTest>

using namespace e2e;

class tst_e2e_harness : public QObject
{
    Q_OBJECT
private slots:
    void screenshotKeepsChannelOrder_data()
    {
        QTest::addColumn<QRgb>("colour");
        QTest::newRow("red") << qRgb(255, 0, 0);
        QTest::newRow("green") << qRgb(0, 255, 0);
        QTest::newRow("blue") << qRgb(0, 0, 255);
        QTest::newRow("mixed") << qRgb(18, 52, 86);
    }
    void screenshotKeepsChannelOrder()
    {
        QFETCH(QRgb, colour);
        XServer x(QSize(320, 240));
        QVERIFY(x.isRunning());
        x.fillRoot(colour);
        const QImage shot = x.grabScreen();
        QCOMPARE(shot.size(), QSize(320, 240));
        QCOMPARE(shot.pixel(0, 0), colour);
        QCOMPARE(shot.pixel(319, 239), colour);
    }

    void windowsAreFoundByExactCaption()
    {
        XServer x(QSize(320, 240));
        QVERIFY(x.isRunning());
        const WindowId ascii = x.createWindow(QRect(10, 20, 50, 40), QStringLiteral("Helixcavern_Main"), qRgb(0, 0, 255));
        const WindowId japanese = x.createWindow(QRect(100, 20, 50, 40), QStringLiteral("Helixcavernの設定"));
        QCOMPARE(x.findWindow(QStringLiteral("Helixcavern_Main")), std::optional<WindowId>(ascii));
        QCOMPARE(x.findWindow(QStringLiteral("Helixcavernの設定")), std::optional<WindowId>(japanese));
        QVERIFY(!x.findWindow(QStringLiteral("Helixcavern_Mai")));
        QCOMPARE(x.geometryOnRoot(ascii), std::optional<QRect>(QRect(10, 20, 50, 40)));
        QCOMPARE(x.grabScreen().pixel(30, 30), qRgb(0, 0, 255));
        x.destroyWindow(ascii);
        QVERIFY(!x.findWindow(QStringLiteral("Helixcavern_Main")));
    }

    void twoServersRunSideBySide()
    {
        XServer a(QSize(64, 64)), b(QSize(64, 64));
        QVERIFY(a.isRunning() && b.isRunning());
        QVERIFY(a.displayName() != b.displayName());
        a.fillRoot(qRgb(255, 0, 0));
        b.fillRoot(qRgb(0, 255, 0));
        QCOMPARE(a.grabScreen().pixel(5, 5), qRgb(255, 0, 0));
        QCOMPARE(b.grabScreen().pixel(5, 5), qRgb(0, 255, 0));
    }

    void programCopyRunsBesideItsSettings()
    {
        ProgramCopy program;
        QVERIFY(program.isValid());
        QVERIFY(QFileInfo(program.executable()).isExecutable());
        program.writeSettings("[Section]\r\n");
        QCOMPARE(program.readSettings(), QByteArray("[Section]\r\n"));
        XServer x(QSize(320, 240));
        Run run(program, x, {QStringLiteral("/x")});
        QVERIFY(run.waitForExit(10000));
        QVERIFY(run.exitedNormally());
    }
};

QTEST_GUILESS_MAIN(tst_e2e_harness)
#include "tst_e2e_harness.moc"
