// Tests of the settings file: loading the settings, reading and writing values, file checks and folders.
#include "files/AtomicFile.h"
#include "files/FileTarget.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"
#include "settings/ShiftJisCodec.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <pwd.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kSection = QStringLiteral("Section");
const QString kPicture = QStringLiteral("画像");
const QString kPictureFile = QStringLiteral("画像ﾌｧｲﾙ");
const QString kSpeed = QStringLiteral("回転速度");

// Stand-ins in the table for paths that exist only inside the test's temporary folder.
const QString kExistingPicture = QStringLiteral("<existing>");
const QString kExistingPictureSlash = QStringLiteral("<existing>/");
const QString kMissingPicture = QStringLiteral("<missing>");
const QString kLongPicture = QStringLiteral("<long>");

QByteArray readAll(const QString &path) { return testfiles::readFile(path, "<unreadable>"); }
bool writeAll(const QString &path, const QByteArray &bytes) { return testfiles::writeFile(path, bytes); }

// A settings file with the three keys; a null value leaves that key out.
QByteArray settingsBytes(const QString &source, const QString &picture, const QString &speed)
{
    const auto utf8 = [](const QString &text) { return text.isNull() ? QByteArray() : text.toUtf8(); };
    return testfiles::settingsBytes(utf8(source), utf8(picture), utf8(speed));
}

// Makes every write beyond `bytes` fail with EFBIG, like a full disk, even for root; restored on exit.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

// The ids an ordinary user has: the test's own, or nobody's under root (see runAsOrdinaryUser).
std::pair<uid_t, gid_t> ordinaryUser()
{
    if (::geteuid() != 0)
        return {::geteuid(), ::getegid()};
    const passwd *nobody = ::getpwnam("nobody");
    return {nobody ? nobody->pw_uid : 65534, nobody ? nobody->pw_gid : 65534};
}

// Gives `path` itself (a link is not followed) to `uid`; only root can, others keep their own.
bool giveTo(const QString &path, uid_t uid)
{
    return ::geteuid() != 0 || ::lchown(QFile::encodeName(path).constData(), uid, gid_t(-1)) == 0;
}

// A user that is neither the test's user, the ordinary user nor root: the owner of planted links.
uid_t anotherUser() { return ordinaryUser().first + 1000; }

// Runs `body` in a forked child and returns its wait status; the child ends with body's result.
int waitStatusOf(const std::function<int()> &body)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    int status = -1;
    ::waitpid(child, &status, 0);
    return status;
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
    void getIniStringReturnsLongValuesWhole();
    void getIniStringEndsValueAtNul();
    void getIniStringMissingGivesEmpty_data();
    void getIniStringMissingGivesEmpty();
    void writeIntoEmptyFolderGivesTheExactFile();
    void writeKeepsOtherSectionsAndComments();
    void writtenNumbersReadBack();
    void writeWhereParentIsAFileFails();
    void writeFailureLeavesOldFileByteForByte();
    void writeIntoReadOnlyFolderFails();
    void writeOverFolderFails();
    void writeKeepsPermissionsAndLinks();
    void pipeOrHugeSettingsFileIsNeitherReadNorReplaced_data();
    void pipeOrHugeSettingsFileIsNeitherReadNorReplaced();
    void writeRefusesValueWithLineBreak();
    void linkChainsAreFollowedOnlyThroughTrustedLinks_data();
    void linkChainsAreFollowedOnlyThroughTrustedLinks();
    void filesItMustNotRewriteAreLeftByteForByte_data();
    void filesItMustNotRewriteAreLeftByteForByte();
    void saveUnderFileSizeLimitFailsWithoutEndingTheProcess();
    void killedSavesLeaveOldOrNewBytesAndNextSaveRemovesTemporaries_data();
    void killedSavesLeaveOldOrNewBytesAndNextSaveRemovesTemporaries();
    void saveRemovesOnlyStaleTemporariesOfItsOwn_data();
    void saveRemovesOnlyStaleTemporariesOfItsOwn();
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
    const Settings loaded = SettingsFile::load(FileName::fromText(ini));

    QCOMPARE(loaded.textureSource, qint16(expectedSource));
    QCOMPARE(loaded.pictureFile, FileName::fromText(substitute(expectedPicture)));
    QCOMPARE(loaded.speed, expectedSpeed);
}

void tst_settingsfile::loadSettingsReadsUnreadableFileAsMissing()
{
    const QString ini = path(QStringLiteral("folder-not-file.ini"));
    QVERIFY(QDir().mkpath(ini)); // a folder where the file should be
    const Settings loaded = SettingsFile::load(FileName::fromText(ini));
    QCOMPARE(loaded.textureSource, qint16(0));
    QCOMPARE(loaded.pictureFile, FileName());
    QCOMPARE(loaded.speed, 20.0f);
}

void tst_settingsfile::getIniStringReturnsLongValuesWhole()
{
    const QString ini = path(QStringLiteral("long.ini"));
    const QString value = u'/' + QString(299, u'x') + QStringLiteral("画像");
    QVERIFY(SettingsFile::writeValue(kSection, kPictureFile, value, ini));
    QCOMPARE(SettingsFile::readValue(kSection, kPictureFile, ini), value);
}

void tst_settingsfile::getIniStringEndsValueAtNul()
{
    const QString ini = path(QStringLiteral("nul.ini"));
    QVERIFY(writeAll(ini, QByteArray("[Section]\r\nk=/etc/passwd\0.jpg\r\n", 31)));
    QCOMPARE(SettingsFile::readValue(kSection, QStringLiteral("k"), ini), QStringLiteral("/etc/passwd"));
}

void tst_settingsfile::getIniStringMissingGivesEmpty_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("key");
    QTest::newRow("missing file") << QByteArray() << kPicture;
    QTest::newRow("missing section") << QByteArray("[Other]\r\nk=1\r\n") << QStringLiteral("k");
    QTest::newRow("missing key") << QByteArray("[Section]\r\nk=1\r\n") << QStringLiteral("j");
}

void tst_settingsfile::getIniStringMissingGivesEmpty()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, key);
    const QString ini = path(QStringLiteral("missing.ini"));
    QFile::remove(ini);
    if (!bytes.isEmpty())
        QVERIFY(writeAll(ini, bytes));
    const QString value = SettingsFile::readValue(kSection, key, ini);
    QVERIFY(value.isEmpty());
}

void tst_settingsfile::writeIntoEmptyFolderGivesTheExactFile()
{
    const QString ini = path(QStringLiteral("Helixcavern.ini"));
    QFile::remove(ini);
    // The dialog's save writes the three keys in this order, numbers with their leading blank.
    QVERIFY(SettingsFile::writeValue(kSection, kPicture, QStringLiteral(" 1"), ini));
    QVERIFY(SettingsFile::writeValue(kSection, kPictureFile, QStringLiteral("/pictures/写真.jpg"), ini));
    QVERIFY(SettingsFile::writeValue(kSection, kSpeed, QStringLiteral(" 20"), ini));
    const QByteArray expected = QByteArray("[Section]\r\n\x89\xE6\x91\x9C= 1\r\n\x89\xE6\x91\x9C\xCC\xA7\xB2\xD9=")
        + QStringLiteral("/pictures/写真.jpg").toUtf8() + "\r\n\x89\xF1\x93\x5D\x91\xAC\x93\x78= 20\r\n";
    QCOMPARE(readAll(ini), expected);

    // One atomic replacement of all three gives the same bytes.
    const QString together = path(QStringLiteral("together.ini"));
    QVERIFY(SettingsFile::writeValues(kSection,
                               {{kPicture, QStringLiteral(" 1")},
                                {kPictureFile, QStringLiteral("/pictures/写真.jpg")},
                                {kSpeed, QStringLiteral(" 20")}},
                               together));
    QCOMPARE(readAll(together), expected);
}

void tst_settingsfile::writeKeepsOtherSectionsAndComments()
{
    const QString ini = path(QStringLiteral("Helixcavern.ini"));
    const QByteArray before = "; mine\n[Window]\nLeft=10\n\n[section]\nNote = hand-written\n"
        + *ShiftJisCodec::encode(kSpeed) + "=5\n";
    QVERIFY(writeAll(ini, before));
    QVERIFY(SettingsFile::writeValues(kSection, {{kPicture, QStringLiteral(" 0")}, {kSpeed, QStringLiteral(" 7")}}, ini));
    const QByteArray expected = "; mine\r\n[Window]\r\nLeft=10\r\n\r\n[section]\r\nNote = hand-written\r\n"
        + *ShiftJisCodec::encode(kSpeed) + "= 7\r\n" + *ShiftJisCodec::encode(kPicture) + "= 0\r\n";
    QCOMPARE(readAll(ini), expected);
    QCOMPARE(SettingsFile::readValue(QStringLiteral("WINDOW"), QStringLiteral("left"), ini), QStringLiteral("10"));
}

void tst_settingsfile::writtenNumbersReadBack()
{
    const QString ini = path(QStringLiteral("Helixcavern.ini"));
    QFile::remove(ini);
    // Neither number is a default, so a key that is not read back shows.
    QVERIFY(SettingsFile::writeValues(kSection, {{kPicture, QStringLiteral(" 2")}, {kSpeed, QStringLiteral(" 37")}}, ini));
    const Settings loaded = SettingsFile::load(FileName::fromText(ini));
    QCOMPARE(loaded.textureSource, qint16(2));
    QCOMPARE(loaded.speed, 37.0f);
}

void tst_settingsfile::writeWhereParentIsAFileFails()
{
    const QString file = path(QStringLiteral("plain"));
    QVERIFY(writeAll(file, "x"));
    QString error;
    QVERIFY(!SettingsFile::writeValue(kSection, kPicture, QStringLiteral(" 1"), file + QStringLiteral("/Helixcavern.ini"), &error));
    QVERIFY2(!error.isEmpty(), "a failed write must say why");
    QCOMPARE(readAll(file), QByteArray("x"));
}

void tst_settingsfile::writeFailureLeavesOldFileByteForByte()
{
    // A write that runs out of room (here a file-size limit, which binds root too) must leave the
    // old file exactly as it was and no temporary file behind.
    const QString ini = path(QStringLiteral("Helixcavern.ini"));
    const QByteArray before = "[Section]\r\n" + *ShiftJisCodec::encode(kPicture) + "= 0\r\n; keep\r\n";
    QVERIFY(writeAll(ini, before));
    const QStringList entriesBefore = QDir(dir_.path()).entryList(QDir::Files);
    QString error;
    {
        const FileSizeLimit limit(16);
        QVERIFY(!SettingsFile::writeValue(kSection, kPictureFile, u'/' + QString(100, u'a'), ini, &error));
    }
    QVERIFY(!error.isEmpty());
    QCOMPARE(readAll(ini), before);
    QCOMPARE(QDir(dir_.path()).entryList(QDir::Files), entriesBefore);
}

void tst_settingsfile::writeIntoReadOnlyFolderFails()
{
    if (geteuid() == 0)
        QSKIP("root writes into read-only folders; writeFailureLeavesOldFileByteForByte covers failure");
    const QString folder = path(QStringLiteral("readonly"));
    QVERIFY(QDir().mkpath(folder));
    const QString ini = folder + QStringLiteral("/Helixcavern.ini");
    const QByteArray before("[Section]\r\nk=1\r\n");
    QVERIFY(writeAll(ini, before));
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
    QString error;
    const bool written = SettingsFile::writeValue(kSection, QStringLiteral("k"), QStringLiteral("2"), ini, &error);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    QVERIFY(!written);
    QVERIFY(!error.isEmpty());
    QCOMPARE(readAll(ini), before);
}

void tst_settingsfile::writeOverFolderFails()
{
    const QString ini = path(QStringLiteral("folder.ini"));
    QVERIFY(QDir().mkpath(ini));
    QString error;
    QVERIFY(!SettingsFile::writeValue(kSection, kPicture, QStringLiteral(" 1"), ini, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(QFileInfo(ini).isDir());
}

void tst_settingsfile::writeKeepsPermissionsAndLinks()
{
    const QString real = path(QStringLiteral("real.ini"));
    const QString link = path(QStringLiteral("link.ini"));
    QVERIFY(writeAll(real, "[Section]\r\nk=1\r\n"));
    QVERIFY(QFile::setPermissions(real, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QFile::remove(link);
    QVERIFY(QFile::link(real, link));
    QVERIFY(SettingsFile::writeValue(kSection, QStringLiteral("k"), QStringLiteral("2"), link));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readAll(real), QByteArray("[Section]\r\nk=2\r\n"));
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(real).constData(), &status), 0);
    QCOMPARE(status.st_mode & 0777, mode_t(0600));
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
        QVERIFY(huge.write("[Section]\r\nk=1\r\n") > 0);
        QVERIFY(huge.resize(IniFile::kMaxFileBytes + 1)); // sparse: costs no disk space
    }
    // Reading must return (a blocking open of the pipe would wait forever) and find nothing.
    QCOMPARE(SettingsFile::readValue(kSection, QStringLiteral("k"), ini), QString());
    QString error;
    QVERIFY(!SettingsFile::writeValue(kSection, QStringLiteral("k"), QStringLiteral("2"), ini, &error));
    QVERIFY(!error.isEmpty());
    const QFileInfo after(ini);
    QVERIFY(!after.isFile() || after.size() == IniFile::kMaxFileBytes + 1);
}

void tst_settingsfile::writeRefusesValueWithLineBreak()
{
    // A picture path may hold a line break on Linux; written as is it would add a line to the file.
    const QString ini = path(QStringLiteral("Helixcavern.ini"));
    const QByteArray before("[Section]\r\nk=1\r\n");
    QVERIFY(writeAll(ini, before));
    QString error;
    QVERIFY(!SettingsFile::writeValues(kSection, {{QStringLiteral("k"), QStringLiteral("2")},
                                           {kPictureFile, QStringLiteral("/a\n[Section]\nk=3")}}, ini, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readAll(ini), before);
}

void tst_settingsfile::linkChainsAreFollowedOnlyThroughTrustedLinks_data()
{
    QTest::addColumn<int>("links");      // ini -> link1 -> ... -> real.ini
    QTest::addColumn<int>("foreignLink"); // which link belongs to another user; -1: none
    QTest::addColumn<bool>("followed");
    QTest::newRow("one link of the user's") << 1 << -1 << true;
    QTest::newRow("chain of three of the user's") << 3 << -1 << true;
    QTest::newRow("as many links as allowed") << FileTarget::MaxLinks << -1 << true;
    QTest::newRow("one link too many") << FileTarget::MaxLinks + 1 << -1 << false;
    QTest::newRow("planted link of another user") << 1 << 0 << false;
    QTest::newRow("another user's link inside the chain") << 3 << 2 << false;
}

void tst_settingsfile::linkChainsAreFollowedOnlyThroughTrustedLinks()
{
    QFETCH(int, links);
    QFETCH(int, foreignLink);
    QFETCH(bool, followed);
    if (foreignLink >= 0 && ::geteuid() != 0)
        QSKIP("only root can make a link that belongs to another user");
    QVERIFY(::chmod(QFile::encodeName(dir_.path()).constData(), 0755) == 0);
    if (!testusers::ordinaryUserReaches(dir_.path()))
        QSKIP("no other user can reach the test's folder here (a root folder private to root)");

    // A shared folder, as when another user may plant names beside the program.
    const QString folder = path(QStringLiteral("shared"));
    QDir(folder).removeRecursively();
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0777) == 0);
    const QString real = folder + QStringLiteral("/real.ini");
    const QByteArray before = settingsBytes(" 0", QString(), " 37");
    QVERIFY(writeAll(real, before));
    const auto [uid, gid] = ordinaryUser();
    QVERIFY(giveTo(real, uid));
    QString next = real;
    for (int i = links - 1; i >= 0; --i) { // link 0 is Helixcavern.ini itself; relative targets
        const QString link = i == 0 ? folder + QStringLiteral("/Helixcavern.ini") : folder + QStringLiteral("/link%1").arg(i);
        QVERIFY(QFile::link(QFileInfo(next).fileName(), link));
        QVERIFY(giveTo(link, i == foreignLink ? anotherUser() : uid));
        next = link;
    }
    const QString ini = folder + QStringLiteral("/Helixcavern.ini");

    const bool asExpected = testusers::runAsOrdinaryUser([&] {
        const float speedRead = SettingsFile::load(FileName::fromText(ini)).speed;
        QString error;
        const bool saved = SettingsFile::writeValue(kSection, kSpeed, QStringLiteral(" 5"), ini, &error);
        // Refused: nothing read through the chain (the default speed), and the error names a file.
        return followed ? saved && speedRead == 37.0f
                        : !saved && speedRead == 20.0f && error.contains(folder);
    });
    QVERIFY(asExpected);
    QCOMPARE(readAll(real), followed ? settingsBytes(" 0", QString(), " 5") : before);
    QVERIFY(QFileInfo(ini).isSymLink()); // every link of the chain stays a link
    QVERIFY(testfiles::temporariesOf(folder, QStringLiteral("real.ini")).isEmpty());
}

void tst_settingsfile::filesItMustNotRewriteAreLeftByteForByte_data()
{
    QTest::addColumn<QByteArray>("bytes"); // "<fifo>": a named pipe in the file's place
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<float>("speedRead"); // 20 when none of the file's keys is read
    const QByteArray utf16le = QByteArray("\xFF\xFE", 2)
        + QByteArray(reinterpret_cast<const char *>(u"[Section]\r\n画像= 1\r\n回転速度= 37\r\n"), 44);
    QByteArray utf16be = utf16le;
    for (qsizetype i = 0; i + 1 < utf16be.size(); i += 2)
        std::swap(utf16be[i], utf16be[i + 1]);
    const QByteArray plain = settingsBytes(" 0", QString(), " 37");
    QTest::newRow("UTF-16, little-endian") << utf16le << 0644 << "form this program does not write" << 20.0f;
    QTest::newRow("UTF-16, big-endian") << utf16be << 0644 << "form this program does not write" << 20.0f;
    QTest::newRow("read-only, 0444") << plain << 0444 << "read-only" << 37.0f;
    QTest::newRow("read-only for others, 0644 of another user") << plain << -0644 << "read-only" << 37.0f;
    QTest::newRow("named pipe") << QByteArray("<fifo>") << 0666 << "not a regular file" << 20.0f;
}

void tst_settingsfile::filesItMustNotRewriteAreLeftByteForByte()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, mode);
    QFETCH(QString, reason);
    QFETCH(float, speedRead);
    // Negative modes: the file belongs to another user.
    if (mode < 0 && ::geteuid() != 0)
        QSKIP("only root can make a file that belongs to another user");
    QVERIFY(::chmod(QFile::encodeName(dir_.path()).constData(), 0777) == 0);
    const QString ini = path(QStringLiteral("Helixcavern.ini"));
    QFile::remove(ini);
    const auto removeFile = qScopeGuard([&ini] { QFile::remove(ini); }); // a pipe would block later writers
    if (bytes == "<fifo>")
        QVERIFY(::mkfifo(QFile::encodeName(ini).constData(), 0666) == 0);
    else
        QVERIFY(writeAll(ini, bytes));
    QVERIFY(giveTo(ini, mode < 0 ? anotherUser() : ordinaryUser().first));
    QVERIFY(::chmod(QFile::encodeName(ini).constData(), mode_t(std::abs(mode))) == 0);

    // Permission bits bind root too, so the save is refused both as root and as an ordinary user.
    const auto refused = [&] {
        QString error;
        const bool saved = SettingsFile::writeValues(kSection, {{kPicture, QStringLiteral(" 1")}, {kSpeed, QStringLiteral(" 9")}},
                                                     ini, &error);
        return !saved && error.contains(reason) && error.contains(ini)
            && SettingsFile::load(FileName::fromText(ini)).speed == speedRead;
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

void tst_settingsfile::saveUnderFileSizeLimitFailsWithoutEndingTheProcess()
{
    // A file-size limit raises SIGXFSZ, which ends a process that has not chosen to ignore it.
    const QString ini = path(QStringLiteral("Helixcavern.ini"));
    const QByteArray before = settingsBytes(" 0", QString(), " 37");
    QVERIFY(writeAll(ini, before));
    const int status = waitStatusOf([&] {
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit{16, 16};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        QString error;
        const bool saved = SettingsFile::writeValue(kSection, kPictureFile, u'/' + QString(100, u'a'), ini, &error);
        struct sigaction after {};
        ::sigaction(SIGXFSZ, nullptr, &after);
        return !saved && error.contains(ini) && after.sa_handler == SIG_DFL ? 0 : 1;
    });
    QVERIFY2(!WIFSIGNALED(status), "the save ended the process");
    QCOMPARE(WEXITSTATUS(status), 0); // refused, with a reason, and SIGXFSZ as it was
    QCOMPARE(readAll(ini), before);
    QVERIFY(testfiles::temporariesOf(dir_.path(), QStringLiteral("Helixcavern.ini")).isEmpty());
}

void tst_settingsfile::killedSavesLeaveOldOrNewBytesAndNextSaveRemovesTemporaries_data()
{
    QTest::addColumn<bool>("unnamed");
    QTest::newRow("unnamed temporary") << true;
    QTest::newRow("named temporary, as where unnamed files are missing") << false;
}

void tst_settingsfile::killedSavesLeaveOldOrNewBytesAndNextSaveRemovesTemporaries()
{
    QFETCH(bool, unnamed);
    constexpr int kKills = 100;
    const QString ini = path(QStringLiteral("Helixcavern.ini"));
    const QString name = QStringLiteral("Helixcavern.ini");
    // A large file keeps each save long enough for the kills to land inside it.
    QVERIFY(writeAll(ini, "; " + QByteArray(256 * 1024, 'x') + "\r\n"));
    QVERIFY(SettingsFile::writeValue(kSection, kSpeed, QStringLiteral(" 2"), ini));
    const QByteArray second = readAll(ini);
    QVERIFY(SettingsFile::writeValue(kSection, kSpeed, QStringLiteral(" 1"), ini));
    const QByteArray first = readAll(ini);

    AtomicFile::useUnnamedFiles(unnamed);
    const auto restore = qScopeGuard([] { AtomicFile::useUnnamedFiles(true); });
    int killsLeavingOne = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (int i = 0;; ++i)
                SettingsFile::writeValue(kSection, kSpeed, i % 2 ? QStringLiteral(" 1") : QStringLiteral(" 2"), ini);
        }
        ::usleep(useconds_t(QRandomGenerator::global()->bounded(200, 4000)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const QByteArray now = readAll(ini);
        QVERIFY2(now == first || now == second, qPrintable(QStringLiteral("kill %1 left %2 bytes").arg(kill).arg(now.size())));
        const int left = int(testfiles::temporariesOf(dir_.path(), name).size());
        QVERIFY2(left <= 1, "the child's saves did not remove what earlier kills left");
        killsLeavingOne += left;
        QVERIFY(SettingsFile::writeValue(kSection, kSpeed, QStringLiteral(" 1"), ini));
        QCOMPARE(testfiles::temporariesOf(dir_.path(), name), QStringList());
    }
    // An unnamed file has a name only between its naming and its rename, two system calls apart.
    if (unnamed)
        QVERIFY2(killsLeavingOne <= kKills / 10, qPrintable(QString::number(killsLeavingOne)));
}

void tst_settingsfile::saveRemovesOnlyStaleTemporariesOfItsOwn_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("owner"); // "self", "other" (another user) or "live" (locked by a writer)
    QTest::addColumn<bool>("removed");
    QTest::newRow("left by a killed save") << ".Helixcavern.ini.a1B2c3" << "self" << true;
    QTest::newRow("held by a save still running") << ".Helixcavern.ini.a1B2c3" << "live" << false;
    QTest::newRow("another user's") << ".Helixcavern.ini.a1B2c3" << "other" << false;
    QTest::newRow("five letters: not the pattern") << ".Helixcavern.ini.a1B2c" << "self" << false;
    QTest::newRow("another file's temporary") << ".Other.ini.a1B2c3" << "self" << false;
}

void tst_settingsfile::saveRemovesOnlyStaleTemporariesOfItsOwn()
{
    QFETCH(QString, name);
    QFETCH(QString, owner);
    QFETCH(bool, removed);
    if (owner == QLatin1String("other") && ::geteuid() != 0)
        QSKIP("only root can make a file that belongs to another user");
    const QString stale = path(name);
    QVERIFY(writeAll(stale, "old"));
    QVERIFY(giveTo(stale, owner == QLatin1String("other") ? anotherUser() : ::geteuid()));
    QFile live(stale);
    if (owner == QLatin1String("live")) {
        QVERIFY(live.open(QIODevice::ReadOnly));
        QVERIFY(::flock(live.handle(), LOCK_EX) == 0);
    }
    QVERIFY(SettingsFile::writeValue(kSection, kSpeed, QStringLiteral(" 3"), path(QStringLiteral("Helixcavern.ini"))));
    QCOMPARE(!QFileInfo::exists(stale), removed);
    QFile::remove(stale);
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

    const Settings loaded = SettingsFile::load(FileName::fromText(ini));
    QCOMPARE(loaded.textureSource, Settings::Picture); // found by its own bytes
    QCOMPARE(loaded.pictureFile, FileName(picture));
    QVERIFY(SettingsFile::save(loaded, FileName::fromText(ini)));
    QCOMPARE(readAll(ini), stored);
    QVERIFY(::unlink(picture.constData()) == 0);
}

QTEST_GUILESS_MAIN(tst_settingsfile)
#include "tst_settingsfile.moc"
