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

#include <sys/stat.h>

class tst_settingslocation : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void filePathFor_data();
    void filePathFor();
    void saveMakesThePrivateConfigurationFolder();
    void saveWhereNoFolderCanBeMadeFails();

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
        [&] { return SettingsLocation::filePathFor(program, configHome, home) == wanted; }));
}

void tst_settingslocation::saveMakesThePrivateConfigurationFolder()
{
    const QString file = path(QStringLiteral("config/helixcavern/Helixcavern.ini"));
    Settings settings;
    settings.textureSource = Settings::Desktop;
    settings.speed = 42.0f;
    QString error;
    QVERIFY2(SettingsFile::save(settings, file, &error), qPrintable(error));
    QCOMPARE(QFileInfo(path(QStringLiteral("config/helixcavern"))).permissions() & 0x7777,
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser
                 | QFile::ExeUser);
    // Read back by the same rule the saver uses.
    QCOMPARE(SettingsFile::load(file, dir_->path()).speed, 42.0f);
}

void tst_settingslocation::saveWhereNoFolderCanBeMadeFails()
{
    QVERIFY(testfiles::writeFile(path(QStringLiteral("plain")), "x"));
    QString error;
    QVERIFY(!SettingsFile::save(Settings{}, path(QStringLiteral("plain/helixcavern/Helixcavern.ini")), &error));
    QVERIFY(error.contains(QStringLiteral("plain")));
}

QTEST_GUILESS_MAIN(tst_settingslocation)
#include "tst_settingslocation.moc"
