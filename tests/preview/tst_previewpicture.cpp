// Checks the embedded preview picture: a 152 x 112 baseline JFIF JPEG of three 8-bit components
// showing a blue-and-white tunnel with a dark centre.
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTest>

namespace {

const QString PicturePath = QStringLiteral(":/preview/preview.jpg");

struct FrameHeader {
    int marker = 0; // 0xC0 baseline, 0xC1 extended, 0xC2 progressive, ...
    int precision = 0;
    int width = 0;
    int height = 0;
    int components = 0;
};

struct JpegLayout {
    bool startsWithImageMarker = false;
    QByteArray app0Identifier; // "JFIF" for a JFIF file
    int jfifMajor = -1;
    int jfifMinor = -1;
    QList<FrameHeader> frames;
};

quint16 bigEndian16(const QByteArray &bytes, qsizetype at)
{
    return quint16((quint8(bytes[at]) << 8) | quint8(bytes[at + 1]));
}

// Walks the marker segments up to the first scan.
JpegLayout readLayout(const QByteArray &bytes)
{
    JpegLayout layout;
    layout.startsWithImageMarker = bytes.startsWith("\xFF\xD8");
    qsizetype at = 2;
    while (at + 4 <= bytes.size() && quint8(bytes[at]) == 0xFF) {
        const int marker = quint8(bytes[at + 1]);
        const int length = bigEndian16(bytes, at + 2);
        const qsizetype body = at + 4;
        if (length < 2 || body + length - 2 > bytes.size())
            break;
        if (marker == 0xE0 && length >= 16) {
            layout.app0Identifier = bytes.mid(body, 5);
            layout.jfifMajor = quint8(bytes[body + 5]);
            layout.jfifMinor = quint8(bytes[body + 6]);
        } else if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC
                   && length >= 8) {
            layout.frames.append({marker, quint8(bytes[body]), bigEndian16(bytes, body + 3),
                                  bigEndian16(bytes, body + 1), quint8(bytes[body + 5])});
        } else if (marker == 0xDA) {
            break;
        }
        at = body + length - 2;
    }
    return layout;
}

int luminance(QRgb pixel) { return qGray(pixel); }

} // namespace

class tst_previewpicture : public QObject
{
    Q_OBJECT
private slots:
    void isBaselineJfif();
    void decodesAtItsOwnSize();
    void showsABlueAndWhiteTunnelWithADarkCentre();
};

void tst_previewpicture::isBaselineJfif()
{
    QFile file(PicturePath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const JpegLayout layout = readLayout(file.readAll());
    QVERIFY(layout.startsWithImageMarker);
    QCOMPARE(layout.app0Identifier, QByteArray("JFIF\0", 5));
    QCOMPARE(layout.jfifMajor, 1);
    QCOMPARE(layout.jfifMinor, 1);
    QCOMPARE(layout.frames.size(), 1);
    const FrameHeader frame = layout.frames.first();
    QCOMPARE(frame.marker, 0xC0); // baseline sequential, not progressive
    QCOMPARE(frame.precision, 8);
    QCOMPARE(frame.width, 152);
    QCOMPARE(frame.height, 112);
    QCOMPARE(frame.components, 3);
}

void tst_previewpicture::decodesAtItsOwnSize()
{
    QImageReader reader(PicturePath);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    const QImage picture = reader.read();
    QVERIFY2(!picture.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(picture.size(), QSize(152, 112));
    QVERIFY(!picture.isGrayscale());
}

void tst_previewpicture::showsABlueAndWhiteTunnelWithADarkCentre()
{
    const QImage picture = QImage(PicturePath).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!picture.isNull());
    qint64 red = 0, green = 0, blue = 0;
    int whitish = 0, bluish = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            red += qRed(p);
            green += qGreen(p);
            blue += qBlue(p);
            whitish += qMin(qRed(p), qMin(qGreen(p), qBlue(p))) > 200 ? 1 : 0;
            bluish += qBlue(p) > qRed(p) + 60 ? 1 : 0;
        }
    }
    const int pixels = picture.width() * picture.height();
    QVERIFY2(blue > green && green > red, "blue is not the picture's main colour");
    QVERIFY2(whitish > pixels / 10, "too little white");
    QVERIFY2(bluish > pixels / 3, "too little blue");

    // The tube's far end lies on the axis, in the middle of the picture.
    int darkest = 255;
    for (int y = 54; y <= 58; ++y)
        for (int x = 74; x <= 78; ++x)
            darkest = qMin(darkest, luminance(picture.pixel(x, y)));
    QVERIFY2(darkest < 32, "the centre is not dark");
}

QTEST_GUILESS_MAIN(tst_previewpicture)
#include "tst_previewpicture.moc"
