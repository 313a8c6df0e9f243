// The saver under a real screen-saver daemon: XScreenSaver starts it on activation, in the window it
// blanks the screen with, and stops it on deactivation.
#include "tests/support/E2eHarness.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TunnelShots.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace e2e;

namespace {
constexpr int DaemonTimeoutMs = 20000;

// XScreenSaver refuses to launch savers as root: under root the daemon and its commands run as
// "nobody", with a home folder of the test's own.
class DaemonUser
{
public:
    explicit DaemonUser(const QString &home) : home_(home)
    {
        if (::geteuid() == 0)
            if (const passwd *nobody = ::getpwnam("nobody"))
                ::chown(QFile::encodeName(home).constData(), nobody->pw_uid, nobody->pw_gid);
    }
    // A process running `command` as the daemon's user on `x`.
    std::unique_ptr<QProcess> start(const XServer &x, const QStringList &command) const
    {
        QStringList line{QStringLiteral("env"), QStringLiteral("HOME=") + home_,
                         QStringLiteral("DISPLAY=") + x.displayName(), QStringLiteral("XDG_RUNTIME_DIR=") + home_};
        line += command;
        if (::geteuid() == 0)
            line = QStringList{QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--")} + line;
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(::geteuid() == 0 ? QStringLiteral("runuser") : line.takeFirst(), line);
        process->waitForStarted();
        return process;
    }
    bool run(const XServer &x, const QStringList &command) const
    {
        const auto process = start(x, command);
        return process->waitForFinished(DaemonTimeoutMs) && process->exitCode() == 0;
    }

private:
    QString home_;
};

// Whether a process runs the program at `executable` (its command line names it).
bool saverRunning(const QString &executable)
{
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile cmdline(proc.filePath(pid + QStringLiteral("/cmdline")));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().startsWith(QFile::encodeName(executable) + '\0'))
            return true;
    }
    return false;
}
} // namespace

class tst_e2e_daemons : public QObject
{
    Q_OBJECT

private slots:
    void xscreensaverRunsTheTunnelUntilDeactivated();
};

void tst_e2e_daemons::xscreensaverRunsTheTunnelUntilDeactivated()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xscreensaver")).isEmpty())
        QSKIP("XScreenSaver is not installed (scripts/setup.sh installs it)");
    XServer x(QSize(800, 600));
    QVERIFY(x.isRunning());
    x.fillRoot(qRgb(40, 120, 60));
    ProgramCopy program;
    QVERIFY(program.isValid());
    // The daemon's user must reach the copy.
    QVERIFY(::chmod(QFile::encodeName(program.folder()).constData(), 0755) == 0);
    if (!testusers::ordinaryUserReaches(program.folder()))
        QSKIP("no other user can reach the test's folder here (a root folder private to root)");
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QFile config(home.filePath(QStringLiteral(".xscreensaver")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write("mode: one\nselected: 0\nlock: False\nfade: False\nunfade: False\nsplash: False\n"
                 "programs: \"Helixcavern\" " + QFile::encodeName(program.executable()) + " --root \\n\n");
    config.close();
    const DaemonUser user(home.path());

    const auto daemon = user.start(x, {QStringLiteral("xscreensaver"), QStringLiteral("-no-splash")});
    // The daemon answers commands once it is up.
    QVERIFY(waitUntil([&] { return user.run(x, {QStringLiteral("xscreensaver-command"), QStringLiteral("-time")}); },
                      DaemonTimeoutMs, 200));
    QVERIFY(user.run(x, {QStringLiteral("xscreensaver-command"), QStringLiteral("-activate")}));
    QVERIFY2(waitUntil([&] { return saverRunning(program.executable()) && tunnelshots::showsTunnel(x.grabScreen()); },
                       DaemonTimeoutMs),
             daemon->readAll().constData());
    QVERIFY(user.run(x, {QStringLiteral("xscreensaver-command"), QStringLiteral("-deactivate")}));
    QVERIFY(waitUntil([&] { return !saverRunning(program.executable()); }, DaemonTimeoutMs));
    daemon->terminate();
    daemon->waitForFinished(5000);
}

QTEST_GUILESS_MAIN(tst_e2e_daemons)
#include "tst_e2e_daemons.moc"
