// Tests of the settings file: loading the settings, the exact bytes saved, and files that are neither read nor replaced.
#include "settings/SettingsFile.h"
#include "settings/ShiftJisCodec.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kPicture = QStringLiteral("画像");
const QString kSpeed = QStringLiteral("回転速度");

// Stand-ins in the table for paths that exist only inside the test's temporary folder.
const QString kExistingPicture = QStringLiteral("<existing>");
const QString kExistingPictureSlash = QStringLiteral("<existing>/");
const QString kMissingPicture = QStringLiteral("<missing>");
const QString kLongPicture = QStringLiteral("<long>");
const QString kExistingPictureNul = QStringLiteral("<existing>\\0");

QByteArray readAll(const QString &path) { return testfiles::readFile(path, "<unreadable>"); }
bool writeAll(const QString &path, const QByteArray &bytes) { return testfiles::writeFile(path, bytes); }
Settings load(const QString &path) { return SettingsFile::load(FileName::fromText(path)); }
bool save(const Settings &settings, const QString &path, QString *error = nullptr)
{
    return SettingsFile::save(settings, FileName::fromText(path), error);
}

Settings settingsOf(qint16 source, const QString &picture, float speed)
{
    Settings settings;
    settings.textureSource = source;
    settings.pictureFile = FileName::fromText(picture);
    settings.speed = speed;
    return settings;
}

// A settings file with the three keys; a null value leaves that key out.
QByteArray settingsBytes(const QString &source, const QString &picture, const QString &speed)
{
    const auto utf8 = [](const QString &text) { return text.isNull() ? QByteArray() : text.toUtf8(); };
    return testfiles::settingsBytes(utf8(source), utf8(picture), utf8(speed));
}

} // namespace

class tst_settingsfile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void loadSettings_data();
    void loadSettings();
    void loadSettingsReadsUnreadableFileAsMissing();
    void saveWritesTheExactFile();
    void saveKeepsOtherSectionsAndComments();
    void savedNumbersReadBack();
    void pipeOrHugeSettingsFileIsNeitherReadNorReplaced_data();
    void pipeOrHugeSettingsFileIsNeitherReadNorReplaced();
    void saveRefusesPictureNameWithLineBreak();
    void filesItMustNotRewriteAreLeftByteForByte_data();
    void filesItMustNotRewriteAreLeftByteForByte();
    void pictureNamesRoundTripByteForByte_data();
    void pictureNamesRoundTripByteForByte();

private:
    QString path(const QString &name) const { return dir_.path() + u'/' + name; }
    QString substitute(const QString &text) const;

    QTemporaryDir dir_;
    QString longPicture_;
};

void tst_settingsfile::init()
{
    QVERIFY(dir_.isValid());
}

QString tst_settingsfile::substitute(const QString &text) const
{
    if (text == kExistingPicture)
        return dir_.path() + QStringLiteral("/pics/a.jpg");
    if (text == kExistingPictureSlash)
        return dir_.path() + QStringLiteral("/pics/a.jpg/");
    if (text == kMissingPicture)
        return dir_.path() + QStringLiteral("/pics/missing.jpg");
    if (text == kLongPicture)
        return longPicture_;
    if (text == kExistingPictureNul) // a C string ends at the NUL
        return dir_.path() + QStringLiteral("/pics/a.jpg") + QChar(0) + QStringLiteral(".txt");
    return text;
}

void tst_settingsfile::loadSettings_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<int>("expectedSource");
    QTest::addColumn<QString>("expectedPicture");
    QTest::addColumn<float>("expectedSpeed");
    const QString none; // key left out

    QTest::newRow("no file") << false << none << none << none << 0 << QString() << 20.0f;
    QTest::newRow("empty section") << true << none << none << none << 0 << QString() << 20.0f;
    QTest::newRow("written by the dialog") << true << " 1" << kExistingPicture << " 20" << 1 << kExistingPicture << 20.0f;
    QTest::newRow("without the leading blank") << true << "1" << kExistingPicture << "35" << 1 << kExistingPicture << 35.0f;
    QTest::newRow("desktop with a picture kept") << true << " 0" << kExistingPicture << " 20" << 0 << kExistingPicture << 20.0f;
    QTest::newRow("picture path with trailing slash") << true << " 1" << kExistingPictureSlash << " 20" << 1 << kExistingPictureSlash << 20.0f;
    QTest::newRow("picture value ends at a NUL byte") << true << " 1" << kExistingPictureNul << " 20" << 1 << kExistingPicture << 20.0f;
    QTest::newRow("path longer than 255 bytes") << true << " 1" << kLongPicture << " 20" << 1 << kLongPicture << 20.0f;
    QTest::newRow("1 with empty picture falls back") << true << " 1" << "" << " 20" << 0 << QString() << 20.0f;
    QTest::newRow("1 with missing picture falls back") << true << " 1" << kMissingPicture << " 20" << 0 << QString() << 20.0f;
    QTest::newRow("2 with missing picture stays") << true << " 2" << kMissingPicture << " 20" << 2 << QString() << 20.0f;
    QTest::newRow("picture is a folder") << true << " 1" << "/" << " 20" << 0 << QString() << 20.0f;
    QTest::newRow("source rounded down") << true << "2.9" << kMissingPicture << "" << 2 << QString() << 20.0f;
    QTest::newRow("source negative rounded down") << true << "-0.5" << none << none << -1 << QString() << 20.0f;
    QTest::newRow("source exponent") << true << "1e2" << none << none << 100 << QString() << 20.0f;
    QTest::newRow("source 16-bit max") << true << "32767" << none << none << 32767 << QString() << 20.0f;
    QTest::newRow("source 16-bit min") << true << "-32768" << none << none << -32768 << QString() << 20.0f;
    QTest::newRow("source above 16 bits left as it was") << true << "32768" << none << none << 0 << QString() << 20.0f;
    QTest::newRow("source below 16 bits left as it was") << true << "-32769" << none << none << 0 << QString() << 20.0f;
    QTest::newRow("source not a number") << true << "abc" << none << none << 0 << QString() << 20.0f;
    QTest::newRow("source hexadecimal is not decimal") << true << "&H1" << none << none << 0 << QString() << 20.0f;
    QTest::newRow("source with trailing text") << true << "3x" << none << none << 0 << QString() << 20.0f;
    QTest::newRow("speed 20.9 reads 20") << true << none << none << "20.9" << 0 << QString() << 20.0f;
    QTest::newRow("speed -3.5 reads -4") << true << none << none << "-3.5" << 0 << QString() << -4.0f;
    QTest::newRow("speed abc reads 0") << true << none << none << "abc" << 0 << QString() << 0.0f;
    QTest::newRow("speed empty reads 20") << true << none << none << "" << 0 << QString() << 20.0f;
    QTest::newRow("speed blanks only reads 20") << true << none << none << "  " << 0 << QString() << 20.0f;
    QTest::newRow("speed with inner blank") << true << none << none << "2 0" << 0 << QString() << 0.0f;
    QTest::newRow("speed beyond float") << true << none << none << "1e39" << 0 << QString() << 0.0f;
    QTest::newRow("speed inf") << true << none << none << "inf" << 0 << QString() << 0.0f;
    QTest::newRow("speed exponent") << true << none << none << "1.5e1" << 0 << QString() << 15.0f;
    QTest::newRow("speed point only") << true << none << none << "." << 0 << QString() << 0.0f;
    QTest::newRow("speed zero") << true << none << none << " 0" << 0 << QString() << 0.0f;
}

void tst_settingsfile::loadSettings()
{
    QFETCH(bool, fileExists);
    QFETCH(QString, source);
    QFETCH(QString, picture);
    QFETCH(QString, speed);
    QFETCH(int, expectedSource);
    QFETCH(QString, expectedPicture);
    QFETCH(float, expectedSpeed);

    QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("pics")));
    QVERIFY(writeAll(path(QStringLiteral("pics/a.jpg")), "picture"));
    const QString longFolder = dir_.path() + u'/' + QString(200, u'd');
    QVERIFY(QDir().mkpath(longFolder));
    longPicture_ = longFolder + u'/' + QString(100, u'p') + QStringLiteral(".jpg");
    QVERIFY(longPicture_.toUtf8().size() > 300);
    QVERIFY(writeAll(longPicture_, "picture"));

    const QString ini = path(QStringLiteral("Helixcavern.ini"));
    QFile::remove(ini);
    if (fileExists)
        QVERIFY(writeAll(ini, settingsBytes(source, substitute(picture), speed)));
    const Settings loaded = load(ini);

    QCOMPARE(loaded.textureSource, qint16(expectedSource));
    QCOMPARE(loaded.pictureFile, FileName::fromText(substitute(expectedPicture)));
    QCOMPARE(loaded.speed, expectedSpeed);
}

void tst_settingsfile::loadSettingsReadsUnreadableFileAsMissing()
{
    const QString ini = path(QStringLiteral("folder-not-file.ini"));
    QVERIFY(QDir().mkpath(ini)); // a folder where the file should be
    const Settings loaded = load(ini);
    QCOMPARE(loaded.textureSource, qint16(0));
    QCOMPARE(loaded.pictureFile, FileName());
    QCOMPARE(loaded.speed, 20.0f);
}

void tst_settingsfile::saveWritesTheExactFile()
{
    const QString ini = path(QStringLiteral("Helixcavern.ini"));
    QFile::remove(ini);
    // The three keys in this order, numbers with their leading blank, the speed rounded down.
    QVERIFY(save(settingsOf(1, QStringLiteral("/pictures/写真.jpg"), 20.9f), ini));
    const QByteArray expected = QByteArray("[Section]\r\n\x89\xE6\x91\x9C= 1\r\n\x89\xE6\x91\x9C\xCC\xA7\xB2\xD9=")
        + QStringLiteral("/pictures/写真.jpg").toUtf8() + "\r\n\x89\xF1\x93\x5D\x91\xAC\x93\x78= 20\r\n";
    QCOMPARE(readAll(ini), expected);
}

void tst_settingsfile::saveKeepsOtherSectionsAndComments()
{
    const QString ini = path(QStringLiteral("Helixcavern.ini"));
    const QByteArray before = "; mine\n[Window]\nLeft=10\n\n[section]\nNote = hand-written\n"
        + *ShiftJisCodec::encode(kSpeed) + "=5\n";
    QVERIFY(writeAll(ini, before));
    QVERIFY(save(settingsOf(0, QString(), 7), ini));
    const QByteArray expected = "; mine\r\n[Window]\r\nLeft=10\r\n\r\n[section]\r\nNote = hand-written\r\n"
        + *ShiftJisCodec::encode(kSpeed) + "= 7\r\n" + *ShiftJisCodec::encode(kPicture) + "= 0\r\n"
        + testfiles::KeyPictureFile + "=\r\n";
    QCOMPARE(readAll(ini), expected);
}

void tst_settingsfile::savedNumbersReadBack()
{
    const QString ini = path(QStringLiteral("Helixcavern.ini"));
    QFile::remove(ini);
    // Neither number is a default, so a key that is not read back shows.
    QVERIFY(save(settingsOf(2, QString(), 37), ini));
    const Settings loaded = load(ini);
    QCOMPARE(loaded.textureSource, qint16(2));
    QCOMPARE(loaded.speed, 37.0f);
}

void tst_settingsfile::pipeOrHugeSettingsFileIsNeitherReadNorReplaced_data()
{
    QTest::addColumn<bool>("pipe");
    QTest::newRow("named pipe without a writer") << true;
    QTest::newRow("file above the size limit") << false;
}

void tst_settingsfile::pipeOrHugeSettingsFileIsNeitherReadNorReplaced()
{
    QFETCH(bool, pipe);
    const QString ini = path(pipe ? QStringLiteral("pipe.ini") : QStringLiteral("huge.ini"));
    QFile::remove(ini);
    if (pipe) {
        QVERIFY(::mkfifo(QFile::encodeName(ini).constData(), 0600) == 0);
    } else {
        QFile huge(ini);
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.write(settingsBytes(" 0", QString(), " 37")) > 0);
        QVERIFY(huge.resize(SettingsFile::MaxFileBytes + 1)); // sparse: costs no disk space
    }
    // Reading must return (a blocking open of the pipe would wait forever) and find nothing.
    QCOMPARE(load(ini).speed, 20.0f);
    QString error;
    QVERIFY(!save(settingsOf(0, QString(), 2), ini, &error));
    QVERIFY(!error.isEmpty());
    const QFileInfo after(ini);
    QVERIFY(!after.isFile() || after.size() == SettingsFile::MaxFileBytes + 1);
}

void tst_settingsfile::saveRefusesPictureNameWithLineBreak()
{
    // A picture path may hold a line break on Linux; written as is it would add a line to the file.
    const QString ini = path(QStringLiteral("Helixcavern.ini"));
    const QByteArray before("[Section]\r\nk=1\r\n");
    QVERIFY(writeAll(ini, before));
    QString error;
    QVERIFY(!save(settingsOf(1, QStringLiteral("/a\n[Section]\nk=3"), 20), ini, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readAll(ini), before);
}

void tst_settingsfile::filesItMustNotRewriteAreLeftByteForByte_data()
{
    QTest::addColumn<QByteArray>("bytes"); // "<fifo>": a named pipe in the file's place
    QTest::addColumn<QString>("reason");
    const QByteArray utf16le = QByteArray("\xFF\xFE", 2)
        + QByteArray(reinterpret_cast<const char *>(u"[Section]\r\n画像= 1\r\n回転速度= 37\r\n"), 44);
    QByteArray utf16be = utf16le;
    for (qsizetype i = 0; i + 1 < utf16be.size(); i += 2)
        std::swap(utf16be[i], utf16be[i + 1]);
    QTest::newRow("UTF-16, little-endian") << utf16le << "form this program does not write";
    QTest::newRow("UTF-16, big-endian") << utf16be << "form this program does not write";
    QTest::newRow("named pipe") << QByteArray("<fifo>") << "not a regular file";
}

void tst_settingsfile::filesItMustNotRewriteAreLeftByteForByte()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QVERIFY(::chmod(QFile::encodeName(dir_.path()).constData(), 01777) == 0); // any user may add files, as in /tmp
    const QString ini = path(QStringLiteral("Helixcavern.ini"));
    QFile::remove(ini);
    const auto removeFile = qScopeGuard([&ini] { QFile::remove(ini); }); // a pipe would block later writers
    if (bytes == "<fifo>")
        QVERIFY(::mkfifo(QFile::encodeName(ini).constData(), 0666) == 0);
    else
        QVERIFY(writeAll(ini, bytes));
    QVERIFY(testusers::giveTo(ini, testusers::ordinaryUser().first));
    QVERIFY(::chmod(QFile::encodeName(ini).constData(), 0666) == 0);

    // Refused as root and as an ordinary user alike; none of the file's keys is read (speed 20).
    const auto refused = [&] {
        QString error;
        return !save(settingsOf(1, QString(), 9), ini, &error) && error.contains(reason) && error.contains(ini)
            && load(ini).speed == 20.0f;
    };
    QVERIFY(refused());
    if (testusers::ordinaryUserReaches(dir_.path()))
        QVERIFY(testusers::runAsOrdinaryUser(refused));
    else
        qInfo("no other user can reach the test's folder here: checked as root only");
    if (bytes == "<fifo>")
        QVERIFY(QFileInfo(ini).exists() && !QFileInfo(ini).isFile());
    else
        QCOMPARE(readAll(ini), bytes);
    QVERIFY(testfiles::temporariesOf(dir_.path(), QStringLiteral("Helixcavern.ini")).isEmpty());
}

void tst_settingsfile::pictureNamesRoundTripByteForByte_data()
{
    QTest::addColumn<QByteArray>("name");
    for (const auto &[row, name] : testfiles::awkwardFileNames())
        QTest::newRow(row) << name;
}

void tst_settingsfile::pictureNamesRoundTripByteForByte()
{
    QFETCH(QByteArray, name);
    const QByteArray picture = QFile::encodeName(dir_.path()) + '/' + name;
    QVERIFY(testfiles::writeFileNamed(picture, "picture"));
    const QString ini = path(QStringLiteral("Helixcavern.ini"));
    const QByteArray stored = testfiles::settingsBytes(" 1", picture, " 20");
    QVERIFY(writeAll(ini, stored));

    const Settings loaded = load(ini);
    QCOMPARE(loaded.textureSource, Settings::Picture); // found by its own bytes
    QCOMPARE(loaded.pictureFile, FileName(picture));
    QVERIFY(save(loaded, ini));
    QCOMPARE(readAll(ini), stored);
    QVERIFY(::unlink(picture.constData()) == 0);
}

QTEST_GUILESS_MAIN(tst_settingsfile)
#include "tst_settingsfile.moc"
