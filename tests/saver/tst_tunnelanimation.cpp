// Tests of the per-frame texture coordinates and ring brightness, including very long runs.
#include "saver/TunnelAnimation.h"

#include <QTest>

#include <bit>
#include <cmath>
#include <cstdint>

class tst_tunnelanimation : public QObject
{
    Q_OBJECT

private slots:
    void knownCoordinatesAreExact_data()
    {
        QTest::addColumn<double>("phase");
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("d");
        QTest::addColumn<float>("s");
        QTest::addColumn<float>("t");
        // T(32, 0) and T(16, 16) follow from the same formula; the others are the known values.
        QTest::newRow("first frame, mouth") << 2.0 << 0 << 0 << 0.49972224f << 0.016666668f;
        QTest::newRow("first frame, seam") << 2.0 << 32 << 0 << 1.4997222f << 0.016666668f;
        QTest::newRow("first frame, far end") << 2.0 << 0 << 32 << -0.20039959f << 1.2833333f;
        QTest::newRow("phase 0, mouth") << 0.0 << 0 << 0 << 0.5f << 0.0f;
        QTest::newRow("phase 0, middle") << 0.0 << 16 << 16 << 0.23333301f << 0.6333333f;
    }
    void knownCoordinatesAreExact()
    {
        QFETCH(double, phase);
        QFETCH(int, a);
        QFETCH(int, d);
        QFETCH(float, s);
        QFETCH(float, t);
        tunnel::TexCoordTable table{};
        TunnelAnimation::computeTexCoords(phase, table);
        const tunnel::Vector2 v = table[tunnel::entry(a, d)];
        QCOMPARE(std::bit_cast<std::uint32_t>(v.S), std::bit_cast<std::uint32_t>(s));
        QCOMPARE(std::bit_cast<std::uint32_t>(v.T), std::bit_cast<std::uint32_t>(t));
    }

    void seamColumnIsOneTurnFurther()
    {
        tunnel::TexCoordTable table{};
        TunnelAnimation::computeTexCoords(37.0, table);
        for (int d = 0; d < tunnel::Depths; ++d) {
            QCOMPARE(table[tunnel::entry(32, d)].T, table[tunnel::entry(0, d)].T);
            QVERIFY(std::fabs(table[tunnel::entry(32, d)].S - table[tunnel::entry(0, d)].S - 1.0f) < 1e-6f);
        }
    }

    // Phases that are whole texture lengths apart must give the same T (up to float rounding of
    // the phase), however far the saver has run; a T that kept growing would lose its fraction.
    void flowRepeatsAfterWholeTextureLengths_data()
    {
        QTest::addColumn<double>("phase");
        QTest::addColumn<double>("lengths");
        QTest::newRow("one length") << 2.0 << 1.0;
        QTest::newRow("78 hours at step 2") << 60.0 << double(1 << 20);
        QTest::newRow("ten million lengths") << 60.0 << 1e7;
        QTest::newRow("a billion lengths") << 7.5 << 1e9;
    }
    void flowRepeatsAfterWholeTextureLengths()
    {
        QFETCH(double, phase);
        QFETCH(double, lengths);
        tunnel::TexCoordTable near{};
        tunnel::TexCoordTable far{};
        TunnelAnimation::computeTexCoords(phase, near);
        TunnelAnimation::computeTexCoords(phase + lengths * 120.0, far);
        for (int i = 0; i < tunnel::TableSize; ++i)
            QCOMPARE(far[i].T, near[i].T);
    }

    void flowStillAdvancesAfterLongRuns()
    {
        tunnel::TexCoordTable before{};
        tunnel::TexCoordTable after{};
        const double longRun = 2.0 * 60 * 3600 * 100; // a hundred hours at step 2.0
        TunnelAnimation::computeTexCoords(longRun, before);
        TunnelAnimation::computeTexCoords(longRun + 0.1, after); // slowest step
        const double step = double(after[0].T) - double(before[0].T);
        QVERIFY2(std::fabs(step - 0.1 / 120) < 1e-6, qPrintable(QString::number(step)));
    }

    void ringBrightness_data()
    {
        QTest::addColumn<int>("ring");
        QTest::addColumn<float>("grey");
        QTest::newRow("mouth") << 0 << 1.0f;
        QTest::newRow("ring 12") << 12 << 1.0f;
        QTest::newRow("last full ring") << 24 << 1.0f;
        QTest::newRow("ring 25") << 25 << 0.9f;
        QTest::newRow("ring 26") << 26 << 0.8f;
        QTest::newRow("ring 27") << 27 << 0.7f;
        QTest::newRow("ring 28") << 28 << 0.6f;
        QTest::newRow("ring 29") << 29 << 0.5f;
        QTest::newRow("ring 30") << 30 << 0.4f;
        QTest::newRow("last ring is 0.3, not 0.2") << 31 << 0.3f;
    }
    void ringBrightness()
    {
        QFETCH(int, ring);
        QFETCH(float, grey);
        QCOMPARE(std::bit_cast<std::uint32_t>(TunnelAnimation::ringBrightness(ring)), std::bit_cast<std::uint32_t>(grey));
    }
};

QTEST_APPLESS_MAIN(tst_tunnelanimation)
#include "tst_tunnelanimation.moc"
