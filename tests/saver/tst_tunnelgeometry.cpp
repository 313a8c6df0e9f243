// Tests of the tube geometry: exact float values of known entries, the seam column and the open far end.
#include "saver/TunnelGeometry.h"

#include <QTest>

#include <bit>
#include <cmath>
#include <cstdint>

class tst_tunnelgeometry : public QObject
{
    Q_OBJECT

private:
    tunnel::VertexTable vertex{};

private slots:
    void initTestCase() { TunnelGeometry::build(vertex); }

    void knownEntriesHaveExactFloatBits_data()
    {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("d");
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<float>("z");
        QTest::newRow("mouth, angle 0") << 0 << 0 << 3.0f << 0.0f << 0.0f;
        QTest::newRow("quarter turn: cos is not exactly 0") << 8 << 0 << 1.8369701e-16f << 3.0f << 0.0f;
        QTest::newRow("half turn: sin is not exactly 0") << 16 << 0 << -3.0f << 3.6739403e-16f << 0.0f;
        QTest::newRow("eighth turn, ring 6") << 4 << 6 << 1.7677670f << 1.7677670f << -6.0f;
        QTest::newRow("ring 12 at radius 2") << 0 << 12 << 2.0f << 0.0f << -12.0f;
        QTest::newRow("far ring stays open") << 0 << 32 << 0.33333334f << 0.0f << -32.0f;
        QTest::newRow("seam column, mouth") << 32 << 0 << 3.0f << -7.3478806e-16f << 0.0f;
    }
    void knownEntriesHaveExactFloatBits()
    {
        QFETCH(int, a);
        QFETCH(int, d);
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(float, z);
        const tunnel::Vector3 v = vertex[tunnel::entry(a, d)];
        QCOMPARE(std::bit_cast<std::uint32_t>(v.X), std::bit_cast<std::uint32_t>(x));
        QCOMPARE(std::bit_cast<std::uint32_t>(v.Y), std::bit_cast<std::uint32_t>(y));
        QCOMPARE(std::bit_cast<std::uint32_t>(v.Z), std::bit_cast<std::uint32_t>(z));
    }

    void seamColumnRepeatsFirstColumnUpToTinyValues()
    {
        for (int d = 0; d < tunnel::Depths; ++d) {
            const tunnel::Vector3 first = vertex[tunnel::entry(0, d)];
            const tunnel::Vector3 seam = vertex[tunnel::entry(32, d)];
            QCOMPARE(seam.X, first.X);
            QCOMPARE(seam.Z, first.Z);
            QCOMPARE(first.Y, 0.0f);
            QVERIFY2(seam.Y != 0.0f && std::fabs(seam.Y) < 1e-14f, qPrintable(QString::number(d)));
        }
    }

    void ringsShrinkLinearlyToAnOpenFarEnd()
    {
        for (int d = 0; d < tunnel::Depths; ++d) {
            const double expected = 3.0 - d / 12.0;
            for (int a = 0; a < tunnel::Columns; ++a) {
                const tunnel::Vector3 v = vertex[tunnel::entry(a, d)];
                QVERIFY(std::fabs(std::hypot(double(v.X), double(v.Y)) - expected) < 1e-6);
                QCOMPARE(v.Z, float(-d));
            }
        }
        QVERIFY(std::hypot(vertex[tunnel::entry(5, 32)].X, vertex[tunnel::entry(5, 32)].Y) > 0.33f);
    }
};

QTEST_APPLESS_MAIN(tst_tunnelgeometry)
#include "tst_tunnelgeometry.moc"
