// Checks that every built-in picture is linked in through the static resource library, decodes, and
// has the size and file format the dialog and the button rely on.
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QTest>
#include <QtEndian>

namespace {

// Bits per pixel from a BMP file's info header, or -1 when the bytes are no BMP.
int BmpBitsPerPixel(const QByteArray &bytes)
{
    constexpr int bitCountOffset = 28;
    if (bytes.size() < bitCountOffset + 2 || !bytes.startsWith("BM"))
        return -1;
    return qFromLittleEndian<quint16>(bytes.constData() + bitCountOffset);
}

// The start-of-frame marker kind of a JPEG file: 0xC0 baseline, 0xC2 progressive, -1 none found.
int JpegFrameKind(const QByteArray &bytes)
{
    int i = 2; // after the start-of-image marker
    while (i + 4 <= bytes.size() && quint8(bytes[i]) == 0xff) {
        const int marker = quint8(bytes[i + 1]);
        if (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc)
            return marker;
        i += 2 + qFromBigEndian<quint16>(bytes.constData() + i + 2);
    }
    return -1;
}

QByteArray ReadResource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_resources : public QObject
{
    Q_OBJECT
private slots:
    void pictureHasSizeAndFormat_data();
    void pictureHasSizeAndFormat();
    void pointerIsMonochrome();
    void highLightSelectEqualsHighLight();
    void skinsShowBeigeOutsideTheOutline();
};

void tst_resources::pictureHasSizeAndFormat_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("format");

    const QSize skin(64, 25);
    for (const char *name : {"Normal", "HighLight", "Pressed", "Disable", "Selected", "HighLightSelect"})
        QTest::newRow(name) << QStringLiteral(":/button/%1.bmp").arg(QLatin1String(name)) << skin << QByteArray("bmp");
    QTest::newRow("icon") << ":/dialog/icon.png" << QSize(32, 32) << QByteArray("png");
    QTest::newRow("pointer") << ":/dialog/pointer.png" << QSize(32, 32) << QByteArray("png");
    QTest::newRow("heading") << ":/dialog/heading.jpg" << QSize(95, 22) << QByteArray("jpeg");
    QTest::newRow("tile") << ":/dialog/tile.bmp" << QSize(563, 21) << QByteArray("bmp");
    QTest::newRow("option_on") << ":/dialog/option_on.jpg" << QSize(12, 12) << QByteArray("jpeg");
    QTest::newRow("option_off") << ":/dialog/option_off.jpg" << QSize(12, 12) << QByteArray("jpeg");
}

void tst_resources::pictureHasSizeAndFormat()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(QByteArray, format);

    const QByteArray bytes = ReadResource(path);
    QVERIFY2(!bytes.isEmpty(), qPrintable(path + " is not linked in"));
    QImageReader reader(path);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);

    if (format == "bmp")
        QCOMPARE(BmpBitsPerPixel(bytes), 24);
    if (format == "jpeg")
        QCOMPARE(JpegFrameKind(bytes), 0xc0);
}

void tst_resources::pointerIsMonochrome()
{
    const QImage pointer = QImage(":/dialog/pointer.png").convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(pointer.size(), QSize(32, 32));
    int black = 0, white = 0;
    for (int y = 0; y < pointer.height(); ++y) {
        for (int x = 0; x < pointer.width(); ++x) {
            const QRgb p = pointer.pixel(x, y);
            if (qAlpha(p) == 0)
                continue;
            QCOMPARE(qAlpha(p), 255);
            QVERIFY2(p == 0xff000000 || p == 0xffffffff, qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            (p == 0xff000000 ? black : white) += 1;
        }
    }
    QVERIFY(black > 0 && white > 0);
    // The hot spot (12, 10) is the top of the hand's outline: opaque, nothing opaque above it.
    QCOMPARE(pointer.pixel(12, 10), QRgb(0xff000000));
    for (int y = 0; y < 10; ++y)
        QCOMPARE(qAlpha(pointer.pixel(12, y)), 0);
}

void tst_resources::highLightSelectEqualsHighLight()
{
    const QImage highLight(":/button/HighLight.bmp");
    QVERIFY(!highLight.isNull());
    QCOMPARE(QImage(":/button/HighLightSelect.bmp"), highLight);
}

void tst_resources::skinsShowBeigeOutsideTheOutline()
{
    // The rounded corners leave the outermost corner pixel to the dialog's face colour.
    const QRgb beige = QImage(":/button/Normal.bmp").pixel(0, 0);
    QVERIFY(qRed(beige) > qBlue(beige)); // warm, not the blue outline
    for (const char *name : {"Normal", "HighLight", "Pressed", "Disable", "Selected"}) {
        const QImage skin(QStringLiteral(":/button/%1.bmp").arg(QLatin1String(name)));
        for (const QPoint corner : {QPoint(0, 0), QPoint(63, 0), QPoint(0, 24), QPoint(63, 24)})
            QCOMPARE(skin.pixel(corner), beige);
        // Middle of the top edge: the outline, one pixel in for the pressed look.
        const int outlineRow = QByteArray(name) == "Pressed" ? 1 : 0;
        QVERIFY(skin.pixel(32, outlineRow) != beige);
        if (outlineRow == 1)
            QCOMPARE(skin.pixel(32, 0), beige);
    }
}

QTEST_MAIN(tst_resources)
#include "tst_resources.moc"
