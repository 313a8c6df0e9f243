// Tests of the drawn tunnel (Mesa under Xvfb): the black far opening, the dimmed last rings and the
// picture's orientation on the wall, in frames drawn off screen with the saver's drawing code.
#include "saver/MasterImage.h"
#include "saver/TunnelRenderer.h"

#include <QGuiApplication>
#include <QTest>

#include <cmath>

namespace {
constexpr int Width = 1024;
constexpr int Height = 768;
const QPoint Centre(Width / 2, Height / 2);

QImage whiteMaster()
{
    QImage master(MasterImage::MasterSize, MasterImage::MasterSize, QImage::Format_RGB32);
    master.fill(Qt::white);
    return master;
}

// Red grows from the picture's left to its right; green grows from its bottom to its top.
QImage gradientMaster()
{
    QImage master(MasterImage::MasterSize, MasterImage::MasterSize, QImage::Format_RGB32);
    for (int y = 0; y < master.height(); ++y)
        for (int x = 0; x < master.width(); ++x)
            master.setPixel(x, y, qRgb(x / 2, (511 - y) / 2, 0));
    return master;
}

// The pixel at `radius` pixels from the centre in direction `degrees`, counted counter-clockwise
// from the right as seen on the screen.
QRgb pixelAt(const QImage &frame, double radius, double degrees)
{
    const double rad = degrees * M_PI / 180.0;
    const int x = Centre.x() + int(std::lround(radius * std::cos(rad)));
    const int y = Centre.y() - int(std::lround(radius * std::sin(rad)));
    return frame.pixel(x, y);
}
} // namespace

class tst_tunnelrenderer : public QObject
{
    Q_OBJECT

private:
    QImage white;
    QImage gradient;

private slots:
    void initTestCase()
    {
        white = TunnelRenderer::renderFrame(whiteMaster(), 0.0, QSize(Width, Height));
        gradient = TunnelRenderer::renderFrame(gradientMaster(), 0.0, QSize(Width, Height));
        QVERIFY2(!white.isNull() && !gradient.isNull(), "no GL frame could be drawn");
        QCOMPARE(white.size(), QSize(Width, Height));
        const QString keep = qEnvironmentVariable("HC_KEEP_FRAMES");
        if (!keep.isEmpty()) {
            white.save(keep + QStringLiteral("/white.png"));
            gradient.save(keep + QStringLiteral("/gradient.png"));
        }
    }

    void farOpeningIsBlackAtTheCentre()
    {
        // The far ring (radius 1/3 at distance 36) is about 8.6 pixels across on a 768-pixel-high frame.
        for (int dy = -6; dy <= 6; ++dy)
            for (int dx = -6; dx <= 6; ++dx)
                if (dx * dx + dy * dy <= 36)
                    QCOMPARE(white.pixel(Centre + QPoint(dx, dy)), qRgb(0, 0, 0));
        QVERIFY(qGray(pixelAt(white, 14.0, 0.0)) > 50);
    }

    // Screen radius of ring k on this frame: (3 - k/12) / (4 + k) / tan(22.5 deg) * 384.
    void ringsDimTowardsTheFarEnd_data()
    {
        QTest::addColumn<double>("radius");
        QTest::addColumn<int>("grey");
        QTest::newRow("ring 31 at 0.3") << 10.0 << 77;
        QTest::newRow("ring 29 at 0.5") << 15.0 << 128;
        QTest::newRow("ring 25 at 0.9") << 27.5 << 230;
        QTest::newRow("ring 23 at full") << 35.0 << 255;
        QTest::newRow("ring 5 at full") << 200.0 << 255;
    }
    void ringsDimTowardsTheFarEnd()
    {
        QFETCH(double, radius);
        QFETCH(int, grey);
        for (double degrees = 5.0; degrees < 360.0; degrees += 30.0) {
            const QRgb p = pixelAt(white, radius, degrees);
            QVERIFY2(std::abs(qGray(p) - grey) <= 3,
                     qPrintable(QStringLiteral("grey %1 at %2 degrees").arg(qGray(p)).arg(degrees)));
        }
    }

    void pictureRunsCounterClockwiseAroundTheWall()
    {
        // At a fixed distance from the centre (one ring), red grows with the angle counted
        // counter-clockwise, except at the single place where the picture wraps round.
        int rising = 0;
        int falling = 0;
        for (double degrees = 0.0; degrees < 360.0; degrees += 5.0) {
            const int here = qRed(pixelAt(gradient, 150.0, degrees));
            const int next = qRed(pixelAt(gradient, 150.0, degrees + 5.0));
            (next > here ? rising : falling) += 1;
        }
        QVERIFY2(rising >= 68 && falling <= 4, qPrintable(QStringLiteral("%1 rising, %2 falling").arg(rising).arg(falling)));
    }

    void pictureBottomFacesTheMouth()
    {
        // Going outwards from the centre (towards the mouth), green falls: the picture's bottom
        // (t = 0) lies at the mouth. Between rings 3 and 20 the texture does not wrap.
        for (double degrees = 10.0; degrees < 360.0; degrees += 45.0) {
            int previous = 256;
            for (double radius = 60.0; radius <= 330.0; radius += 30.0) {
                const int green = qGreen(pixelAt(gradient, radius, degrees));
                QVERIFY2(green < previous,
                         qPrintable(QStringLiteral("green %1 at radius %2, %3 degrees").arg(green).arg(radius).arg(degrees)));
                previous = green;
            }
        }
    }

    void sameFrameIsDrawnTwice()
    {
        QCOMPARE(TunnelRenderer::renderFrame(gradientMaster(), 0.0, QSize(Width, Height)), gradient);
        QVERIFY(TunnelRenderer::renderFrame(gradientMaster(), 2.0, QSize(Width, Height)) != gradient);
    }

    void emptySizeGivesNoFrame()
    {
        QVERIFY(TunnelRenderer::renderFrame(whiteMaster(), 0.0, QSize(0, 10)).isNull());
    }
};

QTEST_MAIN(tst_tunnelrenderer)
#include "tst_tunnelrenderer.moc"
