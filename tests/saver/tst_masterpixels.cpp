// Tests of the texture read-back: packed rows, bottom row first, channels red-green-blue.
#include "saver/MasterPixels.h"

#include <QTest>

#include <vector>

namespace {
struct Picture {
    int width;
    int height;
    std::vector<std::uint32_t> words;
    Picture(int w, int h, std::uint32_t fill = 0xff000000) : width(w), height(h), words(size_t(w) * h, fill) {}
    std::uint32_t &at(int x, int y) { return words[size_t(y) * width + x]; } // y = 0 is the top row
    PixelView view() const { return {words.data(), width, height, width}; }
};

QByteArray rgbAt(const QByteArray &bytes, qsizetype offset) { return bytes.mid(offset, 3); }
QByteArray rgb(int r, int g, int b) { const char bytes[3] = {char(r), char(g), char(b)};
    return QByteArray(bytes, 3); }
} // namespace

class tst_masterpixels : public QObject
{
    Q_OBJECT

private slots:
    void bottomLeftRedLandsAtOffsetZero()
    {
        Picture master(512, 512);
        master.at(0, 511) = 0xffff0000; // bottom-left, pure red
        MasterPixels pixels;
        QVERIFY(pixels.read(master.view()));
        QCOMPARE(pixels.width, 512);
        QCOMPARE(pixels.height, 512);
        QCOMPARE(pixels.bytes.size(), qsizetype(786432));
        QCOMPARE(rgbAt(pixels.bytes, 0), rgb(255, 0, 0));
    }

    void cornersLandInTheirRows_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y"); // image row, top first
        QTest::addColumn<int>("offset");
        QTest::newRow("top-left is texel row 511") << 0 << 0 << 784896;
        QTest::newRow("top-right") << 511 << 0 << 784896 + 511 * 3;
        QTest::newRow("bottom-right") << 511 << 511 << 511 * 3;
        QTest::newRow("second row from the bottom") << 0 << 510 << 1536;
    }
    void cornersLandInTheirRows()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, offset);
        Picture master(512, 512, 0xff101010);
        master.at(x, y) = 0xff1234ab; // red 0x12, green 0x34, blue 0xab
        MasterPixels pixels;
        QVERIFY(pixels.read(master.view()));
        QCOMPARE(rgbAt(pixels.bytes, offset), rgb(0x12, 0x34, 0xab));
        QCOMPARE(pixels.bytes.count(char(0x12)), qsizetype(1));
    }

    // Widths whose rows are not a multiple of four bytes are packed too, and nothing is written
    // past the end of the array.
    void oddSizesArePackedWithoutPadding_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("1x1") << 1 << 1;
        QTest::newRow("3x2") << 3 << 2;
        QTest::newRow("5x7") << 5 << 7;
        QTest::newRow("513x2") << 513 << 2;
    }
    void oddSizesArePackedWithoutPadding()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        Picture master(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                master.at(x, y) = 0xff000000u | (std::uint32_t(x % 256) << 16) | (std::uint32_t(y % 256) << 8) | 0x5a;
        MasterPixels pixels;
        QVERIFY(pixels.read(master.view()));
        QCOMPARE(pixels.bytes.size(), qsizetype(width) * height * 3);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                QCOMPARE(rgbAt(pixels.bytes, MasterPixels::offset(x, height - 1 - y, width)), rgb(x % 256, y % 256, 0x5a));
    }

    void stridedSourceRowsAreFollowed()
    {
        // A view whose rows are longer than its width (as QImage rows may be).
        std::vector<std::uint32_t> words(4 * 2, 0xffffffff);
        words[0] = 0xff010203;
        words[4] = 0xff040506; // first pixel of the second (bottom) row
        MasterPixels pixels;
        QVERIFY(pixels.read({words.data(), 2, 2, 4}));
        QCOMPARE(rgbAt(pixels.bytes, 0), rgb(4, 5, 6));
        QCOMPARE(rgbAt(pixels.bytes, 6), rgb(1, 2, 3));
    }

    void emptyPictureIsRefused_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("nullPixels");
        QTest::newRow("no pixels") << 4 << 4 << true;
        QTest::newRow("zero width") << 0 << 4 << false;
        QTest::newRow("zero height") << 4 << 0 << false;
        QTest::newRow("negative size") << -2 << -2 << false;
    }
    void emptyPictureIsRefused()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, nullPixels);
        std::uint32_t word = 0;
        MasterPixels pixels;
        pixels.bytes = "old";
        QVERIFY(!pixels.read({nullPixels ? nullptr : &word, width, height, 1}));
        QVERIFY(pixels.bytes.isEmpty());
        QCOMPARE(pixels.width, 0);
    }
};

QTEST_APPLESS_MAIN(tst_masterpixels)
#include "tst_masterpixels.moc"
