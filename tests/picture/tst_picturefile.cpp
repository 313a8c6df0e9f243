// Tests of the picture loader: decoding at the natural size, pictures that give no image, names as
// their own bytes, and alpha ignored.
#include "picture/PictureFile.h"
#include "files/FileName.h"
#include "settings/SettingsFile.h"
#include "tests/support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>

namespace {
// A BMP header that claims `width` x `height` 24-bit pixels, followed by only a few bytes of them.
QByteArray bmpHeaderClaiming(qint32 width, qint32 height)
{
    QByteArray bytes(54, '\0');
    auto put32 = [&bytes](int at, quint32 v) { qToLittleEndian(v, bytes.data() + at); };
    auto put16 = [&bytes](int at, quint16 v) { qToLittleEndian(v, bytes.data() + at); };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, 54 + 16);
    put32(10, 54);
    put32(14, 40);
    put32(18, quint32(width));
    put32(22, quint32(height));
    put16(26, 1);
    put16(28, 24);
    return bytes + QByteArray(16, '\x7f');
}
} // namespace

class tst_picturefile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return {};
        return path;
    }

private slots:
    void picturesDecodeAtTheirNaturalSize_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QSize>("size");
        QTest::newRow("BMP 1600x400") << QStringLiteral("BMP") << QSize(1600, 400);
        QTest::newRow("BMP 3x5") << QStringLiteral("BMP") << QSize(3, 5);
        QTest::newRow("JPEG 640x480") << QStringLiteral("JPEG") << QSize(640, 480);
    }
    void picturesDecodeAtTheirNaturalSize()
    {
        QFETCH(QString, format);
        QFETCH(QSize, size);
        const QString path = dir.filePath(QStringLiteral("picture.") + format.toLower());
        QVERIFY(testfiles::quadrants(size).save(path, format.toLatin1().constData(), 100));
        const QImage picture = PictureFile::decode(FileName::fromText(path));
        QCOMPARE(picture.size(), size);
        QCOMPARE(picture.format(), QImage::Format_RGB32);
        if (format == QLatin1String("BMP"))
            QCOMPARE(picture, testfiles::quadrants(size));
    }

    void unreadablePicturesGiveNoImage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::newRow("empty file") << QByteArray() << QStringLiteral("empty.bmp");
        QTest::newRow("text") << QByteArray("not a picture at all\n") << QStringLiteral("text.jpg");
        QTest::newRow("truncated BMP header") << QByteArray("BM\x10\0\0\0", 6) << QStringLiteral("short.bmp");
        QTest::newRow("JPEG signature only") << QByteArray("\xff\xd8\xff\xe0\0\x10JFIF", 10) << QStringLiteral("sig.jpg");
        QTest::newRow("BMP claiming 60000x60000") << bmpHeaderClaiming(60000, 60000) << QStringLiteral("huge.bmp");
        QTest::newRow("BMP claiming negative width") << bmpHeaderClaiming(-40, 40) << QStringLiteral("negative.bmp");
    }
    void unreadablePicturesGiveNoImage()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        const QString path = write(name, bytes);
        QVERIFY(!path.isEmpty());
        QVERIFY(PictureFile::decode(FileName::fromText(path)).isNull());
    }

    void missingPathsGiveNoImage_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("empty path") << QString();
        QTest::newRow("no such file") << QStringLiteral("/nonexistent/picture.bmp");
        QTest::newRow("a folder") << QStringLiteral("/tmp");
    }
    void missingPathsGiveNoImage()
    {
        QFETCH(QString, path);
        QVERIFY(PictureFile::decode(FileName::fromText(path)).isNull());
    }

    // The picture is found by the bytes the settings file stores, whatever they are.
    void picturesAreFoundByTheirOwnBytes_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("swappedForPipe"); // replaced by a named pipe after the settings were read
        for (const auto &[row, name] : testfiles::awkwardFileNames())
            QTest::newRow(row) << name << false;
        QTest::newRow("swapped for a named pipe") << QByteArray("swapped.bmp") << true;
    }
    void picturesAreFoundByTheirOwnBytes()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, swappedForPipe);
        const QString plain = dir.filePath(QStringLiteral("plain.bmp"));
        QVERIFY(testfiles::quadrants(QSize(6, 4)).save(plain, "BMP"));
        const QByteArray picture = QFile::encodeName(dir.path()) + '/' + name;
        QVERIFY(::rename(QFile::encodeName(plain).constData(), picture.constData()) == 0);
        const QString ini = dir.filePath(QStringLiteral("Helixcavern.ini"));
        QVERIFY(testfiles::writeFile(ini, testfiles::settingsBytes(" 1", picture, " 20")));
        const Settings settings = SettingsFile::load(FileName::fromText(ini));
        QCOMPARE(settings.textureSource, Settings::Picture);
        if (swappedForPipe) {
            QVERIFY(::unlink(picture.constData()) == 0);
            QVERIFY(::mkfifo(picture.constData(), 0600) == 0);
        }
        ::alarm(20); // a blocking open of the pipe would wait for a writer forever
        const QImage decoded = PictureFile::decode(settings.pictureFile);
        ::alarm(0);
        ::unlink(picture.constData());
        QCOMPARE(decoded.isNull(), swappedForPipe);
        if (!swappedForPipe)
            QCOMPARE(decoded, testfiles::quadrants(QSize(6, 4)));
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
        const QString path = dir.filePath(QStringLiteral("alpha.bmp"));
        QVERIFY(source.save(path, "BMP"));
        const QImage decoded = PictureFile::decode(FileName::fromText(path));
        QVERIFY(!decoded.isNull());
        QCOMPARE(decoded.format(), QImage::Format_RGB32);
        QCOMPARE(decoded.pixel(1, 1), qRgb(10, 200, 30));
    }
};

QTEST_GUILESS_MAIN(tst_picturefile)
#include "tst_picturefile.moc"
