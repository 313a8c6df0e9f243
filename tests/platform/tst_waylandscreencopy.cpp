// Tests of the screencopy frame's conversion: the wl_shm formats' byte orders, the y-invert flag and buffers that do not fit.
#include "platform/wayland/WaylandScreencopy.h"

#include <QTest>

#include <wayland-client-protocol.h>

#include <vector>

namespace {
// Two rows of two pixels, 12 bytes a row (4 bytes of padding): red, green / blue, white, with the
// byte order of `format` and alpha (or padding) 0x7f, which must not reach the picture.
std::vector<uchar> frameBytes(uint32_t format)
{
    const bool redFirst = format == WL_SHM_FORMAT_XBGR8888 || format == WL_SHM_FORMAT_ABGR8888;
    const QRgb colours[4] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)};
    std::vector<uchar> bytes(24, 0xee);
    for (int i = 0; i < 4; ++i) {
        uchar *pixel = bytes.data() + (i / 2) * 12 + (i % 2) * 4;
        pixel[0] = uchar(redFirst ? qRed(colours[i]) : qBlue(colours[i]));
        pixel[1] = uchar(qGreen(colours[i]));
        pixel[2] = uchar(redFirst ? qBlue(colours[i]) : qRed(colours[i]));
        pixel[3] = 0x7f;
    }
    return bytes;
}
} // namespace

class tst_waylandscreencopy : public QObject
{
    Q_OBJECT

private slots:
    void knownFormatsGiveTheColours_data()
    {
        QTest::addColumn<uint>("format");
        QTest::addColumn<bool>("yInverted");
        QTest::newRow("XRGB8888") << uint(WL_SHM_FORMAT_XRGB8888) << false;
        QTest::newRow("ARGB8888") << uint(WL_SHM_FORMAT_ARGB8888) << false;
        QTest::newRow("XBGR8888") << uint(WL_SHM_FORMAT_XBGR8888) << false;
        QTest::newRow("ABGR8888") << uint(WL_SHM_FORMAT_ABGR8888) << false;
        QTest::newRow("XRGB8888, bottom row first") << uint(WL_SHM_FORMAT_XRGB8888) << true;
        QTest::newRow("ABGR8888, bottom row first") << uint(WL_SHM_FORMAT_ABGR8888) << true;
    }
    void knownFormatsGiveTheColours()
    {
        QFETCH(uint, format);
        QFETCH(bool, yInverted);
        const std::vector<uchar> bytes = frameBytes(format);
        const QImage picture = WaylandScreencopy::fromShm(bytes.data(), qsizetype(bytes.size()), format, 2, 2, 12, yInverted);
        QCOMPARE(picture.format(), QImage::Format_RGB32);
        const int top = yInverted ? 1 : 0;
        QCOMPARE(picture.pixel(0, top), qRgb(255, 0, 0));
        QCOMPARE(picture.pixel(1, top), qRgb(0, 255, 0));
        QCOMPARE(picture.pixel(0, 1 - top), qRgb(0, 0, 255));
        QCOMPARE(picture.pixel(1, 1 - top), qRgb(255, 255, 255));
    }

    void badFramesGiveNoPicture_data()
    {
        QTest::addColumn<uint>("format");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("stride");
        QTest::addColumn<int>("byteCount");
        QTest::newRow("RGB565") << uint(WL_SHM_FORMAT_RGB565) << 2 << 2 << 12 << 24;
        QTest::newRow("XRGB2101010") << uint(WL_SHM_FORMAT_XRGB2101010) << 2 << 2 << 12 << 24;
        QTest::newRow("stride shorter than a row") << uint(WL_SHM_FORMAT_XRGB8888) << 2 << 2 << 4 << 24;
        QTest::newRow("rows beyond the buffer") << uint(WL_SHM_FORMAT_XRGB8888) << 2 << 3 << 12 << 24;
        QTest::newRow("no width") << uint(WL_SHM_FORMAT_XRGB8888) << 0 << 2 << 12 << 24;
        QTest::newRow("negative height") << uint(WL_SHM_FORMAT_XRGB8888) << 2 << -1 << 12 << 24;
    }
    void badFramesGiveNoPicture()
    {
        QFETCH(uint, format);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, stride);
        QFETCH(int, byteCount);
        const std::vector<uchar> bytes(24, 0x40);
        QVERIFY(WaylandScreencopy::fromShm(bytes.data(), byteCount, format, width, height, stride, false).isNull());
    }
};

QTEST_GUILESS_MAIN(tst_waylandscreencopy)
#include "tst_waylandscreencopy.moc"
