// Tests of nearest-pixel scaling: which source pixel each destination pixel takes, never a blend.
#include "saver/NearestScaler.h"

#include <QTest>

#include <vector>

namespace {
// Each source pixel carries its own coordinates, so the destination tells which one it took.
std::vector<std::uint32_t> coordinatePicture(int width, int height)
{
    std::vector<std::uint32_t> words(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            words[size_t(y) * width + x] = (std::uint32_t(y) << 16) | std::uint32_t(x);
    return words;
}
constexpr int Master = 512;
} // namespace

class tst_nearestscaler : public QObject
{
    Q_OBJECT

private slots:
    void sourceIndexRoundsDown_data()
    {
        QTest::addColumn<int>("dst");
        QTest::addColumn<int>("srcSize");
        QTest::addColumn<int>("expected");
        QTest::newRow("1600 wide, first") << 0 << 1600 << 0;
        QTest::newRow("1600 wide, second") << 1 << 1600 << 3;       // 3.125
        QTest::newRow("1600 wide, last") << 511 << 1600 << 1596;    // 1596.875
        QTest::newRow("400 high, second") << 1 << 400 << 0;         // 0.78
        QTest::newRow("400 high, third") << 2 << 400 << 1;          // 1.56
        QTest::newRow("400 high, last") << 511 << 400 << 399;       // 399.2
        QTest::newRow("1920 wide, last") << 511 << 1920 << 1916;    // 1916.25
        QTest::newRow("1080 high, 100") << 100 << 1080 << 210;      // 210.94
        QTest::newRow("1080 high, last") << 511 << 1080 << 1077;    // 1077.89
        QTest::newRow("256, odd index") << 3 << 256 << 1;
        QTest::newRow("one pixel") << 511 << 1 << 0;
        QTest::newRow("huge side, no overflow") << 511 << 2000000000 << 1996093750;
    }
    void sourceIndexRoundsDown()
    {
        QFETCH(int, dst);
        QFETCH(int, srcSize);
        QFETCH(int, expected);
        QCOMPARE(NearestScaler::sourceIndex(dst, srcSize, Master), expected);
    }

    void everyDestinationPixelTakesItsSourcePixel_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("1600x400 picture") << 1600 << 400;
        QTest::newRow("1920x1080 desktop") << 1920 << 1080;
        QTest::newRow("1x1") << 1 << 1;
        QTest::newRow("511x513") << 511 << 513;
        QTest::newRow("512x512 copies") << 512 << 512;
    }
    void everyDestinationPixelTakesItsSourcePixel()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        const std::vector<std::uint32_t> src = coordinatePicture(width, height);
        std::vector<std::uint32_t> dst(Master * Master, 0xdeadbeef);
        NearestScaler::scale({src.data(), width, height, width}, dst.data(), Master, Master, Master);
        for (int y = 0; y < Master; ++y) {
            for (int x = 0; x < Master; ++x) {
                const std::uint32_t taken = dst[size_t(y) * Master + x];
                const std::uint32_t expected = (std::uint32_t(std::int64_t(y) * height / Master) << 16)
                                               | std::uint32_t(std::int64_t(x) * width / Master);
                if (taken != expected)
                    QFAIL(qPrintable(QStringLiteral("(%1, %2) took %3").arg(x).arg(y).arg(taken, 0, 16)));
            }
        }
        // Stretched to fill: the last row and column come from the source's last quarter.
        QVERIFY((dst.back() & 0xffff) >= std::uint32_t(width - 1 - width / 256));
    }

    void halfSizePictureBecomesExactTwoByTwoBlocks()
    {
        const std::vector<std::uint32_t> src = coordinatePicture(256, 256);
        std::vector<std::uint32_t> dst(Master * Master, 0);
        NearestScaler::scale({src.data(), 256, 256, 256}, dst.data(), Master, Master, Master);
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                const std::uint32_t p = src[size_t(y) * 256 + x];
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        if (dst[size_t(2 * y + dy) * Master + 2 * x + dx] != p)
                            QFAIL(qPrintable(QStringLiteral("block (%1, %2) broken").arg(x).arg(y)));
            }
        }
    }

    void destinationStrideIsFollowed()
    {
        const std::vector<std::uint32_t> src = coordinatePicture(2, 2);
        std::vector<std::uint32_t> dst(4 * 6, 0xdeadbeef); // 4 x 4 destination, rows 6 words apart
        NearestScaler::scale({src.data(), 2, 2, 2}, dst.data(), 4, 4, 6);
        QCOMPARE(dst[4], 0xdeadbeefu);
        QCOMPARE(dst[5], 0xdeadbeefu);
        QCOMPARE(dst[3 * 6 + 3], 0x00010001u);
    }

    // A source read row by row costs the destination's rows, not its own, each read once.
    void rowSourceIsAskedOnlyForTheRowsTaken_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("rowsAsked");
        QTest::newRow("16000 high: 512 rows") << 16000 << Master;
        QTest::newRow("1080 high: 512 rows") << 1080 << Master;
        QTest::newRow("300 high: each once") << 300 << 300;
        QTest::newRow("1 high: once") << 1 << 1;
    }
    void rowSourceIsAskedOnlyForTheRowsTaken()
    {
        QFETCH(int, height);
        QFETCH(int, rowsAsked);
        const std::vector<std::uint32_t> row(3, 0);
        std::vector<int> asked;
        std::vector<std::uint32_t> dst(Master * Master);
        QVERIFY(NearestScaler::scaleRows(3, height, [&](int y) { asked.push_back(y); return row.data(); }, dst.data(),
                                         Master, Master, Master));
        QCOMPARE(int(asked.size()), rowsAsked);
        for (std::size_t i = 1; i < asked.size(); ++i)
            QVERIFY(asked[i] > asked[i - 1]);
        QCOMPARE(asked.back(), NearestScaler::sourceIndex(Master - 1, height, Master));
    }

    void rowThatCannotBeHadFailsTheScaling()
    {
        const std::vector<std::uint32_t> row(4, 0);
        std::vector<std::uint32_t> dst(Master * Master);
        QVERIFY(!NearestScaler::scaleRows(4, 1000, [&](int y) { return y < 900 ? row.data() : nullptr; }, dst.data(),
                                          Master, Master, Master));
    }

    void emptySourceLeavesDestinationAlone_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("zero width") << 0 << 10;
        QTest::newRow("zero height") << 10 << 0;
        QTest::newRow("negative") << -1 << -1;
    }
    void emptySourceLeavesDestinationAlone()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        std::uint32_t word = 7;
        std::vector<std::uint32_t> dst(16, 0xdeadbeef);
        NearestScaler::scale({&word, width, height, 1}, dst.data(), 4, 4, 4);
        for (std::uint32_t p : dst)
            QCOMPARE(p, 0xdeadbeefu);
    }
};

QTEST_APPLESS_MAIN(tst_nearestscaler)
#include "tst_nearestscaler.moc"
