// Tests of the saver's entry in ~/.xscreensaver: the merge over bytes, and the file it reads and replaces.
#include "app/XScreenSaverFile.h"
#include "app/XScreenSaverPrograms.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using Outcome = XScreenSaverPrograms::Outcome;

namespace {

enum class Operation { Add, AddToNoFile, Remove };

// The line the merge adds, in xscreensaver-settings' columns, as a middle entry and as the last.
const QByteArray kAdded = "  GL: \t\t\t\thelixcavern --root\t\t\t    \\n\\\n";
const QByteArray kAddedLast = "  GL: \t\t\t\thelixcavern --root\t\t\t    \\n\n";

// A file as xscreensaver-settings 6.06 writes it (shortened): the list ends in a "\n\" line and
// the blank line that the last continuation runs into.
const QByteArray kSettingsHead = "# XScreenSaver Preferences File\n"
                                 "# Written by xscreensaver-settings 6.06 for me on Tue Dec  8 08:29:45 2026.\n"
                                 "\n"
                                 "timeout:\t0:11:00\n"
                                 "mode:\t\tone\n"
                                 "selected:\t2\n"
                                 "\n"
                                 "programs:\t\t\t\t\t\t\t\t      \\\n"
                                 "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n"
                                 "- GL: \t\t\t\tsuperquadrics --root\t\t\t    \\n\\\n";
const QByteArray kSettingsLast = "\t\t\t\tattraction --root\t\t\t    \\n\\\n";
const QByteArray kSettingsTail = "\n"
                                 "\n"
                                 "pointerHysteresis:  10\n"
                                 "authWarningSlack:   20\n";
const QByteArray kWritten = kSettingsHead + kSettingsLast + kSettingsTail;
// The entry as xscreensaver-settings rewrites it after its settings page: flags, continued.
const QByteArray kFlaggedEntry = "\t\t\t\thelixcavern --root --texture picture\t\t      \\\n"
                                 "\t\t\t\t  --picture \"/home/me/my pictures/cave.jpg\" --speed 55 \\n\\\n";

// The system's app-defaults, shortened: its list's last entry does not continue.
const QByteArray kAppDefaults = "! XScreenSaver app-defaults\n"
                                "*timeout:\t\t0:10:00\n"
                                "*programs:\t\t\t\t\t\t\t\t      \\\n"
                                "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n"
                                "- GL: \t\t\t\tsuperquadrics --root\t\t\t    \\n\n"
                                "\n"
                                "*pointerHysteresis:\t10\n";
const QByteArray kMadeHead = "# XScreenSaver Preferences File\n"
                             "# The system's list of savers, copied by helixcavern --add-to-xscreensaver.\n"
                             "# The other settings are the system's; xscreensaver-settings writes them all.\n"
                             "\n"
                             "programs:\t\t\t\t\t\t\t\t      \\\n"
                             "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n";

XScreenSaverPrograms::Result apply(Operation operation, const QByteArray &bytes)
{
    switch (operation) {
    case Operation::Add:
        return XScreenSaverPrograms::add(bytes);
    case Operation::AddToNoFile: {
        const XScreenSaverPrograms::Result made = XScreenSaverPrograms::fromSystemDefaults(bytes);
        return made.outcome == Outcome::Changed ? XScreenSaverPrograms::add(made.bytes) : made;
    }
    case Operation::Remove:
        return XScreenSaverPrograms::remove(bytes);
    }
    return {};
}

mode_t modeOf(const QString &path)
{
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : mode_t(0);
}

} // namespace

class TestXScreenSaverPrograms : public QObject
{
    Q_OBJECT

private slots:
    void mergeChangesOnlyTheEntry_data();
    void mergeChangesOnlyTheEntry();
    void addThenRemoveGivesBackTheFile_data();
    void addThenRemoveGivesBackTheFile();
    void fileIsReplacedOnlyWhereItMayBe_data();
    void fileIsReplacedOnlyWhereItMayBe();
};

void TestXScreenSaverPrograms::mergeChangesOnlyTheEntry_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QByteArray>("after");  // Changed: the whole new file
    QTest::addColumn<QString>("reason");    // Unreadable: a part of the reason

    const QByteArray midEntry = kSettingsHead + kFlaggedEntry + kSettingsLast + kSettingsTail;
    QTest::newRow("no file: the system's list, entry last, system settings left out")
        << Operation::AddToNoFile << kAppDefaults << Outcome::Changed
        << kMadeHead + "- GL: \t\t\t\tsuperquadrics --root\t\t\t    \\n\\\n" + kAddedLast + "\n" << QString();
    QTest::newRow("no file: XScreenSaver.programs resource")
        << Operation::AddToNoFile << QByteArray("XScreenSaver.programs: maze --root\n") << Outcome::Changed
        << QByteArray("# XScreenSaver Preferences File\n"
                      "# The system's list of savers, copied by helixcavern --add-to-xscreensaver.\n"
                      "# The other settings are the system's; xscreensaver-settings writes them all.\n"
                      "\n"
                      "programs: maze --root \\n\\\n")
               + kAddedLast + "\n"
        << QString();
    QTest::newRow("no file, no system list")
        << Operation::AddToNoFile << QByteArray("*timeout: 0:10:00\n*programsExtra: x\n") << Outcome::Unreadable
        << QByteArray() << QStringLiteral("no *programs: list");
    QTest::newRow("written by xscreensaver-settings: after the last entry, selected: index kept")
        << Operation::Add << kWritten << Outcome::Changed << kSettingsHead + kSettingsLast + kAdded + kSettingsTail
        << QString();
    QTest::newRow("already listed") << Operation::Add << kSettingsHead + kAdded + kSettingsTail
                                    << Outcome::AlreadyListed << QByteArray() << QString();
    QTest::newRow("already listed with flags, continued") << Operation::Add << midEntry << Outcome::AlreadyListed
                                                          << QByteArray() << QString();
    QTest::newRow("already listed by path, switched off, named")
        << Operation::Add
        << kSettingsHead + "-\t\"Tunnel\" /usr/libexec/xscreensaver/helixcavern --root \\n\\\n" + kSettingsTail
        << Outcome::AlreadyListed << QByteArray() << QString();
    QTest::newRow("a longer name is another saver")
        << Operation::Add << kSettingsHead + "\t\t\t\thelixcavern2 --root \\n\\\n" + kSettingsTail << Outcome::Changed
        << kSettingsHead + "\t\t\t\thelixcavern2 --root \\n\\\n" + kAdded + kSettingsTail << QString();
    QTest::newRow("comments and other settings naming it are not entries")
        << Operation::Add << "# helixcavern --root\ntextProgram:\thelixcavern --root\n" + kWritten << Outcome::Changed
        << "# helixcavern --root\ntextProgram:\thelixcavern --root\n" + kSettingsHead + kSettingsLast + kAdded
               + kSettingsTail
        << QString();
    QTest::newRow("last entry does not continue: it gains the backslash")
        << Operation::Add << QByteArray("programs:\t\\\n\tmaze --root \\n\n\nfade: True\n") << Outcome::Changed
        << QByteArray("programs:\t\\\n\tmaze --root \\n\\\n") + kAddedLast + "\nfade: True\n" << QString();
    QTest::newRow("one line without separator, no final line feed")
        << Operation::Add << QByteArray("Programs: maze --root") << Outcome::Changed
        << QByteArray("Programs: maze --root \\n\\\n") + kAddedLast.chopped(1) << QString();
    QTest::newRow("continued entry without separator")
        << Operation::Add << QByteArray("programs: \\\n  maze --root \\\n\n") << Outcome::Changed
        << QByteArray("programs: \\\n  maze --root \\n\\\n") + kAdded + "\n" << QString();
    QTest::newRow("empty list") << Operation::Add << QByteArray("programs:\nfade: True\n") << Outcome::Changed
                                << QByteArray("programs:\\\n") + kAddedLast + "fade: True\n" << QString();
    QTest::newRow("second programs: counts, as for XScreenSaver")
        << Operation::Add << QByteArray("programs: helixcavern --root\nprograms: maze --root \\n\n") << Outcome::Changed
        << QByteArray("programs: helixcavern --root\nprograms: maze --root \\n\\\n") + kAddedLast << QString();
    QTest::newRow("continued comment swallows the list")
        << Operation::Add << QByteArray("# note \\\nprograms: maze --root \\n\n") << Outcome::Unreadable << QByteArray()
        << QStringLiteral("no programs: list");
    QTest::newRow("CRLF") << Operation::Add << QByteArray(kWritten).replace("\n", "\r\n") << Outcome::Unreadable
                          << QByteArray() << QStringLiteral("CR LF");
    QTest::newRow("UTF-16") << Operation::Add << QByteArray("\xFF\xFEp\0r\0o\0g\0r\0a\0m\0s\0:\0", 20)
                            << Outcome::Unreadable << QByteArray() << QStringLiteral("UTF-16");
    QTest::newRow("binary") << Operation::Add << QByteArray("programs: maze\n\x01\x02\x7F\n", 19)
                            << Outcome::Unreadable << QByteArray() << QStringLiteral("not text (0x01 at offset 15)");
    QTest::newRow("garbled line") << Operation::Add << "\x89PNG garbage\n" + kWritten << Outcome::Unreadable
                                  << QByteArray() << QStringLiteral("line 1 is neither");
    QTest::newRow("no programs:") << Operation::Add << QByteArray("timeout: 0:05:00\n") << Outcome::Unreadable
                                  << QByteArray() << QStringLiteral("no programs: list");
    QTest::newRow("empty file") << Operation::Add << QByteArray("") << Outcome::Unreadable << QByteArray()
                                << QStringLiteral("no programs: list");
    QTest::newRow("unterminated continuation")
        << Operation::Add << QByteArray("programs: \\\n  maze --root \\n\\\n") << Outcome::Unreadable << QByteArray()
        << QStringLiteral("continues into nothing");

    QTest::newRow("remove the added entry") << Operation::Remove << kSettingsHead + kSettingsLast + kAdded + kSettingsTail
                                            << Outcome::Changed << kWritten << QString();
    QTest::newRow("remove an entry with flags over two lines")
        << Operation::Remove << midEntry << Outcome::Changed << kWritten << QString();
    QTest::newRow("remove every entry, switched off or not")
        << Operation::Remove << kSettingsHead + kAdded + kSettingsLast + "- GL: helixcavern --speed 3 \\n\\\n" + kSettingsTail
        << Outcome::Changed << kWritten << QString();
    QTest::newRow("remove the last entry that does not continue")
        << Operation::Remove << QByteArray("programs:\t\\\n\tmaze --root \\n\\\n") + kAddedLast + "\nfade: True\n"
        << Outcome::Changed << QByteArray("programs:\t\\\n\tmaze --root \\n\n\nfade: True\n") << QString();
    QTest::newRow("remove from the programs: line itself")
        << Operation::Remove << QByteArray("programs: helixcavern --root \\n maze --root \\n\\\n\n") << Outcome::Changed
        << QByteArray("programs:  maze --root \\n\\\n\n") << QString();
    QTest::newRow("remove when not listed") << Operation::Remove << kWritten << Outcome::NotListed << QByteArray()
                                            << QString();
    QTest::newRow("remove from CRLF") << Operation::Remove << QByteArray(midEntry).replace("\n", "\r\n")
                                      << Outcome::Unreadable << QByteArray() << QStringLiteral("CR LF");
}

void TestXScreenSaverPrograms::mergeChangesOnlyTheEntry()
{
    QFETCH(Operation, operation);
    QFETCH(QByteArray, before);
    QFETCH(Outcome, outcome);
    QFETCH(QByteArray, after);
    QFETCH(QString, reason);

    const XScreenSaverPrograms::Result result = apply(operation, before);
    QCOMPARE(result.outcome, outcome);
    QCOMPARE(result.bytes, after);
    if (reason.isEmpty())
        QCOMPARE(result.reason, QString());
    else
        QVERIFY2(result.reason.contains(reason), qPrintable(result.reason));
}

void TestXScreenSaverPrograms::addThenRemoveGivesBackTheFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("written by xscreensaver-settings") << kWritten;
    QTest::newRow("another saver's continued entry last")
        << kSettingsHead + "\t\t\t\tattraction --root --mode balls\t\t      \\\n\t\t\t\t  --points 3 \\n\\\n"
               + kSettingsTail;
    QTest::newRow("last entry without continuation") << QByteArray("programs:\t\\\n\tmaze --root \\n\n\nfade: True\n");
    QTest::newRow("no final line feed") << QByteArray("programs: \\\n\tmaze --root \\n");
}

void TestXScreenSaverPrograms::addThenRemoveGivesBackTheFile()
{
    QFETCH(QByteArray, file);
    const XScreenSaverPrograms::Result added = XScreenSaverPrograms::add(file);
    QCOMPARE(added.outcome, Outcome::Changed);
    QCOMPARE(XScreenSaverPrograms::add(added.bytes).outcome, Outcome::AlreadyListed);
    const XScreenSaverPrograms::Result removed = XScreenSaverPrograms::remove(added.bytes);
    QCOMPARE(removed.outcome, Outcome::Changed);
    QCOMPARE(removed.bytes, file);
}

void TestXScreenSaverPrograms::fileIsReplacedOnlyWhereItMayBe_data()
{
    QTest::addColumn<QString>("setup");    // what stands at ~/.xscreensaver before
    QTest::addColumn<bool>("adding");      // else removing
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");  // a part of the message
    QTest::addColumn<QByteArray>("after"); // the file's bytes after; null: no file
    QTest::addColumn<int>("mode");

    const QByteArray withEntry = kSettingsHead + kSettingsLast + kAdded + kSettingsTail;
    QTest::newRow("missing: made from the system's list")
        << "missing" << true << 0 << "made" << XScreenSaverPrograms::add(XScreenSaverPrograms::fromSystemDefaults(kAppDefaults).bytes).bytes
        << 0644;
    QTest::newRow("missing, no system list") << "missing, no system list" << true << 1 << "is XScreenSaver installed?"
                                             << QByteArray() << 0;
    QTest::newRow("permissions kept") << "0640" << true << 0 << "added" << withEntry << 0640;
    QTest::newRow("second add changes nothing") << "listed" << true << 0 << "already listed" << withEntry << 0600;
    QTest::newRow("read-only left alone") << "0444" << true << 1 << "read-only" << kWritten << 0444;
    QTest::newRow("link followed, stays a link") << "link" << true << 0 << "added" << withEntry << 0600;
    QTest::newRow("garbled left alone") << "garbled" << true << 1 << "is left as it is: its lines end in CR LF"
                                        << QByteArray(kWritten).replace("\n", "\r\n") << 0600;
    QTest::newRow("folder in its place") << "folder" << true << 1 << "not a regular file" << QByteArray() << 0;
    QTest::newRow("remove, permissions kept") << "listed" << false << 0 << "taken out" << kWritten << 0600;
    QTest::newRow("remove, missing") << "missing" << false << 0 << "does not exist" << QByteArray() << 0;
}

void TestXScreenSaverPrograms::fileIsReplacedOnlyWhereItMayBe()
{
    QFETCH(QString, setup);
    QFETCH(bool, adding);
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(QByteArray, after);
    QFETCH(int, mode);

    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QString file = home.filePath(QStringLiteral(".xscreensaver"));
    const QString real = home.filePath(QStringLiteral("dotfiles/xscreensaver"));
    const QString defaults = home.filePath(QStringLiteral("XScreenSaver"));
    if (setup != u"missing, no system list")
        QVERIFY(testfiles::writeFile(defaults, kAppDefaults));
    const ::mode_t mask = ::umask(022);
    const auto restoreMask = qScopeGuard([mask] { ::umask(mask); });
    const auto place = [](const QString &path, const QByteArray &bytes, int bits) {
        return testfiles::writeFile(path, bytes) && ::chmod(QFile::encodeName(path).constData(), mode_t(bits)) == 0;
    };
    if (setup == u"0640")
        QVERIFY(place(file, kWritten, 0640));
    else if (setup == u"0444")
        QVERIFY(place(file, kWritten, 0444));
    else if (setup == u"listed")
        QVERIFY(place(file, kSettingsHead + kSettingsLast + kAdded + kSettingsTail, 0600));
    else if (setup == u"garbled")
        QVERIFY(place(file, QByteArray(kWritten).replace("\n", "\r\n"), 0600));
    else if (setup == u"folder")
        QVERIFY(QDir(home.path()).mkdir(QStringLiteral(".xscreensaver")));
    else if (setup == u"link") {
        QVERIFY(QDir(home.path()).mkdir(QStringLiteral("dotfiles")));
        QVERIFY(place(real, kWritten, 0600));
        QVERIFY(QFile::link(real, file));
    }

    const XScreenSaverFile::Outcome outcome = adding ? XScreenSaverFile::add(FileName::fromText(file), FileName::fromText(defaults))
                                                      : XScreenSaverFile::remove(FileName::fromText(file));
    QCOMPARE(outcome.status, status);
    QCOMPARE(outcome.isError, status != 0);
    QVERIFY2(outcome.message.startsWith(u"helixcavern: ") && outcome.message.contains(message),
             qPrintable(outcome.message));
    QVERIFY(!outcome.message.contains(u'\n'));

    const QString reached = setup == u"link" ? real : file;
    if (setup == u"link")
        QVERIFY(QFileInfo(file).isSymLink());
    if (setup == u"folder") {
        QVERIFY(QFileInfo(file).isDir());
    } else if (after.isNull()) {
        QVERIFY(!QFileInfo::exists(file));
    } else {
        QCOMPARE(testfiles::readFile(reached, "<unreadable>"), after);
        QCOMPARE(int(modeOf(reached)), mode);
    }
    // Nothing but the file itself: no temporary left beside it.
    QCOMPARE(testfiles::temporariesOf(QFileInfo(reached).path(), QFileInfo(reached).fileName()), QStringList());
}

QTEST_APPLESS_MAIN(TestXScreenSaverPrograms)
#include "tst_xscreensaverprograms.moc"
