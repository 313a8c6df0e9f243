// Tests of the layer surface's size in device pixels: the configured size, the output's mode where the compositor leaves the size to the client, and an output without a mode.
#include "platform/wayland/WaylandLayerSurface.h"

#include <QTest>

class tst_waylandlayersize : public QObject
{
    Q_OBJECT

private slots:
    void pixelSizeFollowsConfigureModeAndScale_data()
    {
        QTest::addColumn<QSize>("configured");
        QTest::addColumn<QSize>("mode");
        QTest::addColumn<int>("scale");
        QTest::addColumn<QSize>("pixels");
        QTest::newRow("configured, scale 1") << QSize(640, 480) << QSize(640, 480) << 1 << QSize(640, 480);
        QTest::newRow("configured, scale 2") << QSize(320, 240) << QSize(640, 480) << 2 << QSize(640, 480);
        QTest::newRow("size left to the client: the mode") << QSize(0, 0) << QSize(1920, 1080) << 1 << QSize(1920, 1080);
        QTest::newRow("size left to the client at scale 2") << QSize(0, 0) << QSize(1920, 1080) << 2 << QSize(1920, 1080);
        QTest::newRow("no mode, configured") << QSize(800, 600) << QSize() << 1 << QSize(800, 600);
        QTest::newRow("no mode, no size: one pixel") << QSize(0, 0) << QSize() << 1 << QSize(1, 1);
        // The buffer stays a whole multiple of the buffer scale, or the compositor refuses it.
        QTest::newRow("no mode, no size at scale 3: one logical pixel") << QSize(0, 0) << QSize() << 3 << QSize(3, 3);
        QTest::newRow("mode of one pixel at scale 2") << QSize(0, 0) << QSize(1, 1) << 2 << QSize(2, 2);
        QTest::newRow("odd mode at scale 2") << QSize(0, 0) << QSize(641, 481) << 2 << QSize(642, 482);
        QTest::newRow("a scale of 0 counts as 1") << QSize(0, 0) << QSize(640, 480) << 0 << QSize(640, 480);
    }
    void pixelSizeFollowsConfigureModeAndScale()
    {
        QFETCH(QSize, configured);
        QFETCH(QSize, mode);
        QFETCH(int, scale);
        QFETCH(QSize, pixels);
        QCOMPARE(WaylandLayerSurface::pixelSizeFor(configured, mode, scale), pixels);
    }
};

QTEST_GUILESS_MAIN(tst_waylandlayersize)
#include "tst_waylandlayersize.moc"
