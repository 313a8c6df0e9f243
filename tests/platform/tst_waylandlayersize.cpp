// Tests of the layer surface's size in logical and device pixels: the configured size, the output's mode where the compositor leaves the size to the client, an output without a mode, integer and fractional scales.
#include "platform/wayland/WaylandLayerSurface.h"

#include <QTest>

class tst_waylandlayersize : public QObject
{
    Q_OBJECT

private slots:
    void sizeFollowsConfigureModeAndScale_data()
    {
        QTest::addColumn<QSize>("configured");
        QTest::addColumn<QSize>("mode");
        QTest::addColumn<int>("scale");
        QTest::addColumn<uint>("preferred120");
        QTest::addColumn<QSize>("logical");
        QTest::addColumn<QSize>("pixels");
        QTest::newRow("configured, scale 1") << QSize(640, 480) << QSize(640, 480) << 1 << 0u << QSize(640, 480) << QSize(640, 480);
        QTest::newRow("configured, scale 2") << QSize(320, 240) << QSize(640, 480) << 2 << 0u << QSize(320, 240) << QSize(640, 480);
        QTest::newRow("size left to the client: the mode") << QSize(0, 0) << QSize(1920, 1080) << 1 << 0u << QSize(1920, 1080) << QSize(1920, 1080);
        QTest::newRow("size left to the client at scale 2") << QSize(0, 0) << QSize(1920, 1080) << 2 << 0u << QSize(960, 540) << QSize(1920, 1080);
        QTest::newRow("no mode, configured") << QSize(800, 600) << QSize() << 1 << 0u << QSize(800, 600) << QSize(800, 600);
        QTest::newRow("no mode, no size: one pixel") << QSize(0, 0) << QSize() << 1 << 0u << QSize(1, 1) << QSize(1, 1);
        // The buffer stays a whole multiple of the buffer scale, or the compositor refuses it.
        QTest::newRow("no mode, no size at scale 3: one logical pixel") << QSize(0, 0) << QSize() << 3 << 0u << QSize(1, 1) << QSize(3, 3);
        QTest::newRow("mode of one pixel at scale 2") << QSize(0, 0) << QSize(1, 1) << 2 << 0u << QSize(1, 1) << QSize(2, 2);
        QTest::newRow("odd mode at scale 2") << QSize(0, 0) << QSize(641, 481) << 2 << 0u << QSize(321, 241) << QSize(642, 482);
        QTest::newRow("a scale of 0 counts as 1") << QSize(0, 0) << QSize(640, 480) << 0 << 0u << QSize(640, 480) << QSize(640, 480);
        // A fractional scale wins over the output's integer one (its ceiling, as compositors send it).
        QTest::newRow("1.5 over integer 2") << QSize(100, 50) << QSize(1920, 1080) << 2 << 180u << QSize(100, 50) << QSize(150, 75);
        QTest::newRow("1.5, halves rounded away from zero") << QSize(3, 1) << QSize() << 2 << 180u << QSize(3, 1) << QSize(5, 2);
        QTest::newRow("1.25, quarters rounded to nearest") << QSize(101, 51) << QSize() << 2 << 150u << QSize(101, 51) << QSize(126, 64);
        QTest::newRow("1.5, size left to the client") << QSize(0, 0) << QSize(1920, 1080) << 2 << 180u << QSize(1280, 720) << QSize(1920, 1080);
        QTest::newRow("0.75, below one") << QSize(100, 50) << QSize() << 1 << 90u << QSize(100, 50) << QSize(75, 38);
        QTest::newRow("1.5, no mode, no size") << QSize(0, 0) << QSize() << 2 << 180u << QSize(1, 1) << QSize(2, 2);
        QTest::newRow("tiny fraction keeps one pixel") << QSize(1, 1) << QSize() << 1 << 1u << QSize(1, 1) << QSize(1, 1);
    }
    void sizeFollowsConfigureModeAndScale()
    {
        QFETCH(QSize, configured);
        QFETCH(QSize, mode);
        QFETCH(int, scale);
        QFETCH(uint, preferred120);
        QFETCH(QSize, logical);
        QFETCH(QSize, pixels);
        QCOMPARE(WaylandLayerSurface::logicalSizeFor(configured, mode, scale, preferred120), logical);
        QCOMPARE(WaylandLayerSurface::pixelSizeFor(configured, mode, scale, preferred120), pixels);
    }
};

QTEST_GUILESS_MAIN(tst_waylandlayersize)
#include "tst_waylandlayersize.moc"
