// Where the settings file is read and written: beside a copied program, or in the user's
// configuration folder when the program's folder is not the user's to write.
#include "settings/Settings.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsLocation.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

class tst_settingslocation : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void filePathFor_data();
    void filePathFor();
    void saveMakesThePrivateConfigurationFolder();
    void saveWhereNoFolderCanBeMadeFails();
    void saveOnlyIntoFoldersNobodyElseWrites_data();
    void saveOnlyIntoFoldersNobodyElseWrites();
    void folderOfProgram_data();
    void folderOfProgram();
    void unknownProgramFolderMeansTheConfigurationFolder();
    void withoutHomeThePasswordDatabaseElseNoFile_data();
    void withoutHomeThePasswordDatabaseElseNoFile();

private:
    QString path(const QString &name) const { return dir_->filePath(name); }
    std::unique_ptr<QTemporaryDir> dir_;
};

void tst_settingslocation::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    // An ordinary user must reach the folders the table makes below.
    QVERIFY(::chmod(QFile::encodeName(dir_->path()).constData(), 0755) == 0);
}

void tst_settingslocation::filePathFor_data()
{
    QTest::addColumn<bool>("fileBeside");
    QTest::addColumn<bool>("folderWritable");
    QTest::addColumn<QString>("configHome"); // "<abs>" stands for an absolute folder of the test's
    QTest::addColumn<QString>("expected");   // "beside", "config" ($XDG_CONFIG_HOME) or "home" (~/.config)

    QTest::newRow("copied program, folder writable") << false << true << "" << "beside";
    QTest::newRow("file beside, folder read-only") << true << false << "<abs>" << "beside";
    QTest::newRow("file beside, folder writable") << true << true << "<abs>" << "beside";
    QTest::newRow("installed, XDG_CONFIG_HOME set") << false << false << "<abs>" << "config";
    QTest::newRow("installed, XDG_CONFIG_HOME unset") << false << false << "" << "home";
    QTest::newRow("installed, XDG_CONFIG_HOME relative") << false << false << "rel/config" << "home";
}

void tst_settingslocation::filePathFor()
{
    QFETCH(bool, fileBeside);
    QFETCH(bool, folderWritable);
    QFETCH(QString, configHome);
    QFETCH(QString, expected);

    if (!testusers::ordinaryUserReaches(dir_->path()))
        QSKIP("no other user can reach the test's folder here (a root folder private to root)");
    const QString program = path(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(program));
    if (fileBeside)
        QVERIFY(testfiles::writeFile(program + QStringLiteral("/Helixcavern.ini"), "[Section]\r\n"));
    QVERIFY(::chmod(QFile::encodeName(program).constData(), folderWritable ? 0777 : 0555) == 0);
    if (configHome == QLatin1String("<abs>"))
        configHome = path(QStringLiteral("config"));
    const QString home = path(QStringLiteral("home"));

    const QString wanted = expected == QLatin1String("beside") ? program + QStringLiteral("/Helixcavern.ini")
                           : expected == QLatin1String("config")
                               ? configHome + QStringLiteral("/helixcavern/Helixcavern.ini")
                               : home + QStringLiteral("/.config/helixcavern/Helixcavern.ini");
    // Permission bits decide, so the rule is asked as an ordinary user.
    QVERIFY(testusers::runAsOrdinaryUser(
        [&] { return SettingsLocation::filePathFor(FileName::fromText(program), configHome, home) == FileName::fromText(wanted); }));
}

void tst_settingslocation::saveMakesThePrivateConfigurationFolder()
{
    const FileName file = FileName::fromText(path(QStringLiteral("config/helixcavern/Helixcavern.ini")));
    Settings settings;
    settings.textureSource = Settings::Desktop;
    settings.speed = 42.0f;
    QString error;
    QVERIFY2(SettingsFile::save(settings, file, &error), qPrintable(error));
    QCOMPARE(QFileInfo(path(QStringLiteral("config/helixcavern"))).permissions() & 0x7777,
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser
                 | QFile::ExeUser);
    // Read back by the same rule the saver uses.
    QCOMPARE(SettingsFile::load(file).speed, 42.0f);
}

void tst_settingslocation::saveWhereNoFolderCanBeMadeFails()
{
    QVERIFY(testfiles::writeFile(path(QStringLiteral("plain")), "x"));
    QString error;
    QVERIFY(!SettingsFile::save(Settings{}, FileName::fromText(path(QStringLiteral("plain/helixcavern/Helixcavern.ini"))), &error));
    QVERIFY(error.contains(QStringLiteral("plain")));
}

void tst_settingslocation::saveOnlyIntoFoldersNobodyElseWrites_data()
{
    // The folder written in: <tmp>/cfg/helixcavern, or <tmp>/shared through a link of that name. It
    // holds a file of the ordinary user (speed 37), who may write in every folder by its bits.
    QTest::addColumn<QString>("owner"); // "user" (the ordinary user), "root" or "other"
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("throughLink");
    QTest::addColumn<bool>("saved");
    QTest::newRow("the user's, world-writable and sticky") << "user" << 01777 << false << true;
    QTest::newRow("root's, world-writable and sticky, like /tmp") << "root" << 01777 << false << true;
    QTest::newRow("the user's, world-writable") << "user" << 0777 << false << false;
    QTest::newRow("the user's, group-writable") << "user" << 0770 << false << false;
    QTest::newRow("another user's, world-writable and sticky") << "other" << 01777 << false << false;
    QTest::newRow("a link to another user's folder") << "other" << 0777 << true << false;
}

void tst_settingslocation::saveOnlyIntoFoldersNobodyElseWrites()
{
    QFETCH(QString, owner);
    QFETCH(int, mode);
    QFETCH(bool, throughLink);
    QFETCH(bool, saved);
    if (owner != QLatin1String("user") && ::geteuid() != 0)
        QSKIP("only root can make a folder that belongs to another user");
    if (!testusers::ordinaryUserReaches(dir_->path()))
        QSKIP("no other user can reach the test's folder here (a root folder private to root)");
    const uid_t user = testusers::ordinaryUser().first;
    const QString folder = path(throughLink ? QStringLiteral("shared") : QStringLiteral("cfg/helixcavern"));
    const QString ini = folder + QStringLiteral("/Helixcavern.ini");
    const QByteArray before = testfiles::settingsBytes(" 0", "", " 37");
    QVERIFY(QDir().mkpath(folder) && QDir().mkpath(path(QStringLiteral("cfg"))) && testfiles::writeFile(ini, before));
    QVERIFY(!throughLink || QFile::link(folder, path(QStringLiteral("cfg/helixcavern"))));
    QVERIFY(testusers::giveTo(ini, user) && ::chmod(QFile::encodeName(ini).constData(), 0666) == 0);
    QVERIFY(testusers::giveTo(folder, owner == u"user" ? user : owner == u"root" ? 0 : testusers::anotherUser()));
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), mode_t(mode)) == 0);
    const FileName file = FileName::fromText(path(QStringLiteral("cfg/helixcavern/Helixcavern.ini")));
    QVERIFY(testusers::runAsOrdinaryUser([&] {
        QString error; // reading stays tolerant
        return SettingsFile::load(file).speed == 37.0f && SettingsFile::save(Settings{}, file, &error) == saved
            && (saved || error.contains(folder));
    }));
    QCOMPARE(testfiles::readFile(ini) == before, !saved);
}

void tst_settingslocation::folderOfProgram_data()
{
    // The program is <tmp>/bin/helixcavern, a copy is <tmp>/helixcavern; <tmp>/link/helixcavern
    // links to the first; <tmp>/plain holds a file of that name without execute permission. The
    // working folder is <tmp>.
    QTest::addColumn<QByteArray>("argv0");
    QTest::addColumn<QByteArray>("searchPath"); // "<tmp>" stands for the test's folder
    QTest::addColumn<QString>("expected");      // relative to <tmp> ("." for itself); "" for not found
    QTest::newRow("absolute") << QByteArray("<tmp>/bin/helixcavern") << QByteArray() << "bin";
    QTest::newRow("relative to the working folder") << QByteArray("bin/helixcavern") << QByteArray() << "bin";
    QTest::newRow("through a link: the real folder") << QByteArray("link/helixcavern") << QByteArray() << "bin";
    QTest::newRow("found in PATH") << QByteArray("helixcavern") << QByteArray("/nonexistent:<tmp>/bin") << "bin";
    QTest::newRow("PATH skips a file without x") << QByteArray("helixcavern") << QByteArray("<tmp>/plain:<tmp>/bin") << "bin";
    QTest::newRow("empty PATH entry is the working folder") << QByteArray("helixcavern") << QByteArray("/nonexistent::") << ".";
    QTest::newRow("relative PATH entry") << QByteArray("helixcavern") << QByteArray("bin") << "bin";
    QTest::newRow("not in PATH") << QByteArray("helixcavern") << QByteArray("/nonexistent") << "";
    QTest::newRow("missing file") << QByteArray("<tmp>/bin/missing") << QByteArray() << "";
    QTest::newRow("not executable") << QByteArray("plain/helixcavern") << QByteArray() << "";
    QTest::newRow("empty argv[0]") << QByteArray() << QByteArray("<tmp>/bin") << "";
}

void tst_settingslocation::folderOfProgram()
{
    QFETCH(QByteArray, argv0);
    QFETCH(QByteArray, searchPath);
    QFETCH(QString, expected);
    if (!testusers::ordinaryUserReaches(dir_->path()))
        QSKIP("no other user can reach the test's folder here (a root folder private to root)");
    const QByteArray tmp = QFile::encodeName(QFileInfo(dir_->path()).canonicalFilePath());
    QVERIFY(QDir().mkpath(path(QStringLiteral("bin"))) && QDir().mkpath(path(QStringLiteral("link")))
            && QDir().mkpath(path(QStringLiteral("plain"))));
    QVERIFY(testfiles::writeFile(path(QStringLiteral("bin/helixcavern")), "#!/bin/sh\n"));
    QVERIFY(::chmod(QFile::encodeName(path(QStringLiteral("bin/helixcavern"))).constData(), 0755) == 0);
    QVERIFY(QFile::copy(path(QStringLiteral("bin/helixcavern")), path(QStringLiteral("helixcavern"))));
    QVERIFY(QFile::link(path(QStringLiteral("bin/helixcavern")), path(QStringLiteral("link/helixcavern"))));
    QVERIFY(testfiles::writeFile(path(QStringLiteral("plain/helixcavern")), "data"));
    argv0.replace("<tmp>", tmp);
    searchPath.replace("<tmp>", tmp);
    const QString wanted = expected.isEmpty() ? QString()
                           : expected == QLatin1String(".") ? QFile::decodeName(tmp)
                                                            : QFile::decodeName(tmp) + u'/' + expected;
    // Execute permission decides, so the look-up runs as an ordinary user.
    QVERIFY(testusers::runAsOrdinaryUser(
        [&] { return SettingsLocation::folderOfProgram(argv0, searchPath, tmp) == FileName::fromText(wanted); }));
}

void tst_settingslocation::unknownProgramFolderMeansTheConfigurationFolder()
{
    // Never "/Helixcavern.ini" (the root folder is writable for root).
    QCOMPARE(SettingsLocation::filePathFor(FileName(), QStringLiteral("/cfg"), QStringLiteral("/home/u")).bytes(),
             QByteArray("/cfg/helixcavern/Helixcavern.ini"));
    QCOMPARE(QFileInfo(QFile::decodeName(SettingsLocation::programFolder().bytes())),
             QFileInfo(QCoreApplication::applicationDirPath()));
}

void tst_settingslocation::withoutHomeThePasswordDatabaseElseNoFile_data()
{
    QTest::addColumn<bool>("known"); // the user has an entry in the password database
    QTest::newRow("HOME unset: the password database's home") << true;
    QTest::newRow("neither: no file, never one under the root folder") << false;
}

void tst_settingslocation::withoutHomeThePasswordDatabaseElseNoFile()
{
    QFETCH(bool, known);
    uid_t user = known ? ::getuid() : 54321;
    while (!known && ::getpwuid(user))
        ++user;
    const passwd *entry = ::getpwuid(user);
    const QString home = SettingsLocation::homeFolderFor(QString(), user);
    QCOMPARE(home, entry ? QFile::decodeName(entry->pw_dir) : QString());
    // With no home an installed program's file has no place: the defaults are read, nothing is saved.
    const FileName file = SettingsLocation::filePathFor(FileName(), QString(), home);
    QString error;
    QVERIFY(known || (file.isEmpty() && SettingsFile::load(file).speed == 20.0f));
    QVERIFY(known || (!SettingsFile::save(Settings{}, file, &error) && error.contains(QStringLiteral("no home"))));
}

QTEST_GUILESS_MAIN(tst_settingslocation)
#include "tst_settingslocation.moc"
