// Tests of atomic replacement: a failed or killed write leaves the old bytes, files that must not be
// replaced are left alone, temporaries never stay behind.
#include "files/AtomicFile.h"
#include "files/FileTarget.h"
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
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString &path) { return testfiles::readFile(path, "<unreadable>"); }
bool writeAll(const QString &path, const QByteArray &bytes) { return testfiles::writeFile(path, bytes); }

// Replaces the file that `path` leads to with `bytes`, as a save does.
bool replace(const QString &path, const QByteArray &bytes, QString *error = nullptr)
{
    const std::optional<FileTarget> target = FileTarget::resolve(FileName::fromText(path), error);
    return target && AtomicFile::replace(*target, bytes, error);
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

class tst_atomicfile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void writeFailureLeavesOldFileByteForByte();
    void writeIntoReadOnlyFolderFails();
    void writeOverFolderFails();
    void writeKeepsPermissionsAndLinks();
    void filesItMustNotReplaceAreLeftByteForByte_data();
    void filesItMustNotReplaceAreLeftByteForByte();
    void replaceUnderFileSizeLimitFailsWithoutEndingTheProcess();
    void killedReplacementsLeaveOldOrNewBytesAndNextOneRemovesTemporaries_data();
    void killedReplacementsLeaveOldOrNewBytesAndNextOneRemovesTemporaries();
    void replaceRemovesOnlyStaleTemporariesOfItsOwn_data();
    void replaceRemovesOnlyStaleTemporariesOfItsOwn();

private:
    QString path(const QString &name) const { return dir_.path() + u'/' + name; }

    QTemporaryDir dir_;
};

void tst_atomicfile::init()
{
    QVERIFY(dir_.isValid());
}

void tst_atomicfile::writeFailureLeavesOldFileByteForByte()
{
    // A write that runs out of room (here a file-size limit, which binds root too) must leave the
    // old file exactly as it was and no temporary file behind.
    const QString ini = path(QStringLiteral("Helixcavern.ini"));
    const QByteArray before = "[Section]\r\nk= 0\r\n; keep\r\n";
    QVERIFY(writeAll(ini, before));
    const QStringList entriesBefore = QDir(dir_.path()).entryList(QDir::Files);
    QString error;
    {
        const FileSizeLimit limit(16);
        QVERIFY(!replace(ini, before + QByteArray(100, 'a'), &error));
    }
    QVERIFY(!error.isEmpty());
    QCOMPARE(readAll(ini), before);
    QCOMPARE(QDir(dir_.path()).entryList(QDir::Files), entriesBefore);
}

void tst_atomicfile::writeIntoReadOnlyFolderFails()
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
    const bool written = replace(ini, "[Section]\r\nk=2\r\n", &error);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    QVERIFY(!written);
    QVERIFY(!error.isEmpty());
    QCOMPARE(readAll(ini), before);
}

void tst_atomicfile::writeOverFolderFails()
{
    const QString ini = path(QStringLiteral("folder.ini"));
    QVERIFY(QDir().mkpath(ini));
    QString error;
    QVERIFY(!replace(ini, "[Section]\r\n", &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(QFileInfo(ini).isDir());
}

void tst_atomicfile::writeKeepsPermissionsAndLinks()
{
    const QString real = path(QStringLiteral("real.ini"));
    const QString link = path(QStringLiteral("link.ini"));
    QVERIFY(writeAll(real, "[Section]\r\nk=1\r\n"));
    QVERIFY(QFile::setPermissions(real, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QFile::remove(link);
    QVERIFY(QFile::link(real, link));
    QVERIFY(replace(link, "[Section]\r\nk=2\r\n"));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readAll(real), QByteArray("[Section]\r\nk=2\r\n"));
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(real).constData(), &status), 0);
    QCOMPARE(status.st_mode & 0777, mode_t(0600));
}

void tst_atomicfile::filesItMustNotReplaceAreLeftByteForByte_data()
{
    QTest::addColumn<QByteArray>("bytes"); // "<fifo>": a named pipe in the file's place
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("reason");
    const QByteArray plain = "[Section]\r\nk= 37\r\n";
    QTest::newRow("read-only, 0444") << plain << 0444 << "read-only";
    QTest::newRow("read-only for others, 0644 of another user") << plain << -0644 << "read-only";
    QTest::newRow("named pipe") << QByteArray("<fifo>") << 0666 << "not a regular file";
}

void tst_atomicfile::filesItMustNotReplaceAreLeftByteForByte()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, mode);
    QFETCH(QString, reason);
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
    QVERIFY(testusers::giveTo(ini, mode < 0 ? testusers::anotherUser() : testusers::ordinaryUser().first));
    QVERIFY(::chmod(QFile::encodeName(ini).constData(), mode_t(std::abs(mode))) == 0);

    // Permission bits bind root too, so the replacement is refused both as root and as an ordinary user.
    const auto refused = [&] {
        QString error;
        return !replace(ini, "[Section]\r\nk= 9\r\n", &error) && error.contains(reason) && error.contains(ini);
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

void tst_atomicfile::replaceUnderFileSizeLimitFailsWithoutEndingTheProcess()
{
    // A file-size limit raises SIGXFSZ, which ends a process that has not chosen to ignore it.
    const QString ini = path(QStringLiteral("Helixcavern.ini"));
    const QByteArray before = "[Section]\r\nk= 37\r\n";
    QVERIFY(writeAll(ini, before));
    const int status = waitStatusOf([&] {
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit{16, 16};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        QString error;
        const bool saved = replace(ini, before + QByteArray(100, 'a'), &error);
        struct sigaction after {};
        ::sigaction(SIGXFSZ, nullptr, &after);
        return !saved && error.contains(ini) && after.sa_handler == SIG_DFL ? 0 : 1;
    });
    QVERIFY2(!WIFSIGNALED(status), "the replacement ended the process");
    QCOMPARE(WEXITSTATUS(status), 0); // refused, with a reason, and SIGXFSZ as it was
    QCOMPARE(readAll(ini), before);
    QVERIFY(testfiles::temporariesOf(dir_.path(), QStringLiteral("Helixcavern.ini")).isEmpty());
}

void tst_atomicfile::killedReplacementsLeaveOldOrNewBytesAndNextOneRemovesTemporaries_data()
{
    QTest::addColumn<bool>("unnamed");
    QTest::newRow("unnamed temporary") << true;
    QTest::newRow("named temporary, as where unnamed files are missing") << false;
}

void tst_atomicfile::killedReplacementsLeaveOldOrNewBytesAndNextOneRemovesTemporaries()
{
    QFETCH(bool, unnamed);
    constexpr int kKills = 100;
    const QString ini = path(QStringLiteral("Helixcavern.ini"));
    const QString name = QStringLiteral("Helixcavern.ini");
    // Large contents keep each replacement long enough for the kills to land inside it.
    const QByteArray first = "; " + QByteArray(256 * 1024, 'x') + "\r\nk= 1\r\n";
    const QByteArray second = "; " + QByteArray(256 * 1024, 'x') + "\r\nk= 2\r\n";
    QVERIFY(replace(ini, first));

    AtomicFile::useUnnamedFiles(unnamed);
    const auto restore = qScopeGuard([] { AtomicFile::useUnnamedFiles(true); });
    int killsLeavingOne = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (int i = 0;; ++i)
                replace(ini, i % 2 ? first : second);
        }
        ::usleep(useconds_t(QRandomGenerator::global()->bounded(200, 4000)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const QByteArray now = readAll(ini);
        QVERIFY2(now == first || now == second, qPrintable(QStringLiteral("kill %1 left %2 bytes").arg(kill).arg(now.size())));
        const int left = int(testfiles::temporariesOf(dir_.path(), name).size());
        QVERIFY2(left <= 1, "the child's replacements did not remove what earlier kills left");
        killsLeavingOne += left;
        QVERIFY(replace(ini, first));
        QCOMPARE(testfiles::temporariesOf(dir_.path(), name), QStringList());
    }
    // An unnamed file has a name only between its naming and its rename, two system calls apart.
    if (unnamed)
        QVERIFY2(killsLeavingOne <= kKills / 10, qPrintable(QString::number(killsLeavingOne)));
}

void tst_atomicfile::replaceRemovesOnlyStaleTemporariesOfItsOwn_data()
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

void tst_atomicfile::replaceRemovesOnlyStaleTemporariesOfItsOwn()
{
    QFETCH(QString, name);
    QFETCH(QString, owner);
    QFETCH(bool, removed);
    if (owner == QLatin1String("other") && ::geteuid() != 0)
        QSKIP("only root can make a file that belongs to another user");
    const QString stale = path(name);
    QVERIFY(writeAll(stale, "old"));
    QVERIFY(testusers::giveTo(stale, owner == QLatin1String("other") ? testusers::anotherUser() : ::geteuid()));
    QFile live(stale);
    if (owner == QLatin1String("live")) {
        QVERIFY(live.open(QIODevice::ReadOnly));
        QVERIFY(::flock(live.handle(), LOCK_EX) == 0);
    }
    QVERIFY(replace(path(QStringLiteral("Helixcavern.ini")), "[Section]\r\nk= 3\r\n"));
    QCOMPARE(!QFileInfo::exists(stale), removed);
    QFile::remove(stale);
}

QTEST_GUILESS_MAIN(tst_atomicfile)
#include "tst_atomicfile.moc"
