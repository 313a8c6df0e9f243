// Checks the preview's size arithmetic: host pixels -> form twips -> picture control pixels.
#include "preview/PreviewGeometry.h"

#include <QTest>

class tst_previewgeometry : public QObject
{
    Q_OBJECT
private slots:
    void coversHost_data();
    void coversHost();
    void roundsTiesToEven_data();
    void roundsTiesToEven();
};

void tst_previewgeometry::coversHost_data()
{
    QTest::addColumn<QSize>("host");
    QTest::addColumn<QSize>("twips");
    QTest::addColumn<QSize>("pixels");
    // Twips are 15 per pixel; the control gets the host's own size back.
    QTest::newRow("picture-sized host") << QSize(152, 112) << QSize(2280, 1680) << QSize(152, 112);
    QTest::newRow("larger host") << QSize(300, 200) << QSize(4500, 3000) << QSize(300, 200);
    QTest::newRow("smaller host") << QSize(100, 50) << QSize(1500, 750) << QSize(100, 50);
    QTest::newRow("design size") << QSize(168, 128) << QSize(2520, 1920) << QSize(168, 128);
    QTest::newRow("last width fitting 16 bits") << QSize(2184, 10) << QSize(32760, 150) << QSize(2184, 10);
    // 32775 twips do not fit a signed 16-bit size: a wrapped width would be negative.
    QTest::newRow("first width past 16 bits") << QSize(2185, 10) << QSize(32775, 150) << QSize(2185, 10);
    QTest::newRow("tall host past 16 bits") << QSize(10, 2185) << QSize(150, 32775) << QSize(10, 2185);
    QTest::newRow("largest X11 window") << QSize(65535, 65535) << QSize(983025, 983025) << QSize(65535, 65535);
    QTest::newRow("one pixel") << QSize(1, 1) << QSize(15, 15) << QSize(1, 1);
    QTest::newRow("no size") << QSize(0, 0) << QSize(0, 0) << QSize(0, 0);
    QTest::newRow("negative sides count as zero") << QSize(-3, -1) << QSize(0, 0) << QSize(0, 0);
}

void tst_previewgeometry::coversHost()
{
    QFETCH(QSize, host);
    QFETCH(QSize, twips);
    QFETCH(QSize, pixels);
    const PreviewGeometry geometry = PreviewGeometry::forHost(host);
    QCOMPARE(geometry.formTwips(), twips);
    QCOMPARE(geometry.imagePixels(), pixels);
}

void tst_previewgeometry::roundsTiesToEven_data()
{
    QTest::addColumn<QSize>("host");
    QTest::addColumn<double>("twipsPerPixel");
    QTest::addColumn<QSize>("twips");
    QTest::addColumn<QSize>("pixels");
    // At 7.5 twips per pixel odd sides land on halves: 7.5 -> 8, 22.5 -> 22 (not 23), and back
    // 8 / 7.5 = 1.07 -> 1, 22 / 7.5 = 2.93 -> 3.
    QTest::newRow("halves to even") << QSize(1, 3) << 7.5 << QSize(8, 22) << QSize(1, 3);
    QTest::newRow("even halves") << QSize(5, 7) << 7.5 << QSize(38, 52) << QSize(5, 7);
    // At 12 twips per pixel (120 dots per inch) the arithmetic is exact.
    QTest::newRow("120 dpi") << QSize(100, 50) << 12.0 << QSize(1200, 600) << QSize(100, 50);
    // 2.5 twips per pixel: 3 -> 7.5 -> 8 twips, back 3.2 -> 3; 1 -> 2.5 -> 2 twips, back 0.8 -> 1.
    QTest::newRow("coarse twips") << QSize(3, 1) << 2.5 << QSize(8, 2) << QSize(3, 1);
    QTest::newRow("no twips per pixel") << QSize(100, 50) << 0.0 << QSize(0, 0) << QSize(0, 0);
}

void tst_previewgeometry::roundsTiesToEven()
{
    QFETCH(QSize, host);
    QFETCH(double, twipsPerPixel);
    QFETCH(QSize, twips);
    QFETCH(QSize, pixels);
    const PreviewGeometry geometry = PreviewGeometry::forHost(host, twipsPerPixel, twipsPerPixel);
    QCOMPARE(geometry.formTwips(), twips);
    QCOMPARE(geometry.imagePixels(), pixels);
}

QTEST_GUILESS_MAIN(tst_previewgeometry)
#include "tst_previewgeometry.moc"
