// Tests of the master image: the plain-colour fall-back, and scaling to 512 x 512 with alpha ignored.
#include "saver/MasterImage.h"
#include "tests/support/TestFiles.h"

#include <QGuiApplication>
#include <QTest>

namespace {
bool isPlain(const QImage &image)
{
    if (image.size() != QSize(512, 512))
        return false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != MasterImage::PlainColour)
                return false;
    return true;
}
} // namespace

class tst_masterimage : public QObject
{
    Q_OBJECT

private slots:
    void noSourceGivesThePlainMaster()
    {
        QVERIFY(isPlain(MasterImage::scaleToMaster(QImage())));
        QVERIFY(isPlain(MasterImage::plainMaster()));
    }

    void anySourceFillsTheWholeMaster_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("1600x400 stretched") << QSize(1600, 400);
        QTest::newRow("1920x1080 desktop") << QSize(1920, 1080);
        QTest::newRow("100x700") << QSize(100, 700);
    }
    void anySourceFillsTheWholeMaster()
    {
        QFETCH(QSize, size);
        const QImage master = MasterImage::scaleToMaster(testfiles::quadrants(size));
        QCOMPARE(master.size(), QSize(512, 512));
        // Quadrant borders land where the stretch puts them, with no border and no blend.
        QCOMPARE(master.pixel(0, 0), 0xffff0000u);
        QCOMPARE(master.pixel(511, 0), 0xff00ff00u);
        QCOMPARE(master.pixel(0, 511), 0xff0000ffu);
        QCOMPARE(master.pixel(511, 511), 0xffffffffu);
        QCOMPARE(master.pixel(255, 255), 0xffff0000u);
        QCOMPARE(master.pixel(256, 256), 0xffffffffu);
    }

    // Alpha is ignored, as the platform's picture drawing does: translucent pixels keep their colour
    // instead of being darkened by premultiplication.
    void alphaIsIgnored_data()
    {
        QTest::addColumn<int>("alpha");
        QTest::newRow("opaque") << 255;
        QTest::newRow("half") << 128;
        QTest::newRow("transparent") << 0;
    }
    void alphaIsIgnored()
    {
        QFETCH(int, alpha);
        QImage source(4, 4, QImage::Format_ARGB32);
        source.fill(qRgba(10, 200, 30, alpha));
        QCOMPARE(MasterImage::scaleToMaster(source).pixel(100, 100), qRgb(10, 200, 30));
    }
};

QTEST_MAIN(tst_masterimage)
#include "tst_masterimage.moc"
