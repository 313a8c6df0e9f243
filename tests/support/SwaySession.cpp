// A headless sway for the Wayland tests; see SwaySession.h.
#include "tests/support/SwaySession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <pwd.h>
#include <unistd.h>

namespace wayland {

namespace {
bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

const passwd *sessionUser()
{
    if (getuid() != 0)
        return getpwuid(getuid());
    if (getpwnam(SwaySession::User) == nullptr)
        QProcess::execute(QStringLiteral("useradd"), {QStringLiteral("-M"), QStringLiteral("-d"), QStringLiteral("/nonexistent"),
                                                       QStringLiteral("-s"), QStringLiteral("/usr/sbin/nologin"),
                                                       QString::fromLatin1(SwaySession::User)});
    return getpwnam(SwaySession::User);
}

void handOver(const QString &path, const passwd *user)
{
    if (user != nullptr && getuid() == 0)
        [[maybe_unused]] const int changed = chown(QFile::encodeName(path).constData(), user->pw_uid, user->pw_gid);
}
} // namespace

QString SwaySession::missingTools()
{
    for (const char *tool : {"sway", "swaybg", "swaymsg", "grim", "wtype", "setpriv"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return QStringLiteral("%1 is not installed (scripts/setup.sh installs it)").arg(QString::fromLatin1(tool));
    return {};
}

SwaySession::SwaySession(const QList<OutputSpec> &outputs)
{
    const passwd *user = sessionUser();
    if (user == nullptr || !runtime_.isValid() || !scratch_.isValid() || outputs.isEmpty())
        return;
    QFile::setPermissions(runtime_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    handOver(runtime_.path(), user);
    QFile::setPermissions(scratch_.path(), QFile::Permissions(0x7777));
    QFile config(scratch(QStringLiteral("sway.conf")));
    config.open(QIODevice::WriteOnly);
    config.write("default_border none\n");
    config.close();
    QFile::setPermissions(config.fileName(), QFile::Permissions(0x6444));

    sway_ = std::make_unique<QProcess>();
    QProcessEnvironment environment = this->environment();
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("SWAYSOCK"));
    environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    sway_->setProcessEnvironment(environment);
    sway_->setWorkingDirectory(scratch_.path());
    QStringList command = userPrefix() << QStringLiteral("sway") << QStringLiteral("-c") << config.fileName();
    sway_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sway_->setStandardOutputFile(QProcess::nullDevice());
    sway_->start(command.takeFirst(), command);
    const QDir runtime(runtime_.path());
    if (!waitFor([&] {
            const QStringList ipc = runtime.entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
            if (ipc.isEmpty() || !QFile::exists(socketPath()))
                return false;
            swaySocket_ = runtime.filePath(ipc.first());
            return true;
        }, 10000))
        return;
    ++outputs_; // sway's headless backend starts with HEADLESS-1
    if (!configure(0, outputs.first()))
        return;
    for (qsizetype i = 1; i < outputs.size(); ++i)
        if (!addOutput(outputs[i]))
            return;
    ready_ = true;
}

SwaySession::~SwaySession()
{
    if (sway_ == nullptr)
        return;
    sway_->terminate();
    if (!sway_->waitForFinished(3000))
        sway_->kill();
    sway_->waitForFinished(1000);
}

QStringList SwaySession::userPrefix() const
{
    if (getuid() != 0)
        return {};
    const QString name = QString::fromLatin1(User);
    return {QStringLiteral("setpriv"), QStringLiteral("--reuid"), name, QStringLiteral("--regid"), name,
            QStringLiteral("--init-groups")};
}

QProcessEnvironment SwaySession::environment() const
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin"));
    environment.insert(QStringLiteral("HOME"), scratch_.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-1"));
    if (!swaySocket_.isEmpty())
        environment.insert(QStringLiteral("SWAYSOCK"), swaySocket_);
    return environment;
}

std::unique_ptr<QProcess> SwaySession::start(const QString &program, const QStringList &arguments,
                                             const QProcessEnvironment &extra,
                                             const std::function<void()> &childSetup) const
{
    auto process = std::make_unique<QProcess>();
    if (childSetup)
        process->setChildProcessModifier(childSetup);
    QProcessEnvironment environment = this->environment();
    for (const QString &key : extra.keys())
        environment.insert(key, extra.value(key));
    process->setProcessEnvironment(environment);
    QStringList command = userPrefix() << program << arguments;
    process->start(command.takeFirst(), command);
    process->waitForStarted(5000);
    return process;
}

int SwaySession::runToEnd(const QString &program, const QStringList &arguments, int timeoutMs) const
{
    const std::unique_ptr<QProcess> process = start(program, arguments);
    if (!process->waitForFinished(timeoutMs)) {
        process->kill();
        process->waitForFinished(1000);
        return -1;
    }
    return process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
}

int SwaySession::swaymsg(const QStringList &arguments) const { return runToEnd(QStringLiteral("swaymsg"), arguments); }

bool SwaySession::configure(int index, const OutputSpec &output)
{
    const QString name = QStringLiteral("HEADLESS-%1").arg(index + 1);
    QStringList command{QStringLiteral("output"), name, QStringLiteral("resolution"),
                        QStringLiteral("%1x%2").arg(output.resolution.width()).arg(output.resolution.height()),
                        QStringLiteral("scale"), QString::number(output.scale)};
    if (!output.background.isEmpty())
        command << QStringLiteral("bg") << output.background << QStringLiteral("stretch");
    if (swaymsg(command) != 0)
        return false;
    // swaybg draws a little after the output is set: wait until the output shows the picture's corner.
    if (output.background.isEmpty())
        return true;
    const QImage picture(output.background);
    return waitFor([&] {
        const QImage shot = screenshot(name);
        return !shot.isNull() && shot.pixel(1, 1) == picture.pixel(0, 0);
    }, 5000);
}

bool SwaySession::addOutput(const OutputSpec &output)
{
    if (swaymsg({QStringLiteral("create_output")}) != 0)
        return false;
    return configure(outputs_++, output);
}

QImage SwaySession::screenshot(const QString &output) const
{
    const QString file = scratch(QStringLiteral("shot-%1.png").arg(output));
    QFile::remove(file);
    if (runToEnd(QStringLiteral("grim"), {QStringLiteral("-o"), output, file}) != 0)
        return {};
    return QImage(file).convertToFormat(QImage::Format_RGB32);
}

// The headless seat has a keyboard only while a virtual one exists: wtype waits before typing, so
// that the client can bind the keyboard it has just heard of. wtype gives the first key it types
// the key code 1 each time; sway can still count that code as held from the last wtype when the
// focused client went away before the release, and then does not pass the next press on. The
// second press always reaches the client.
bool SwaySession::pressKey() const
{
    return runToEnd(QStringLiteral("wtype"), {QStringLiteral("-s"), QStringLiteral("300"), QStringLiteral("-P"), QStringLiteral("space"), QStringLiteral("-p"),
                                              QStringLiteral("space"), QStringLiteral("-P"), QStringLiteral("space"),
                                              QStringLiteral("-p"), QStringLiteral("space")})
           == 0;
}

void SwaySession::setStopped(bool stopped) const
{
    if (sway_ != nullptr && sway_->processId() > 0)
        ::kill(pid_t(sway_->processId()), stopped ? SIGSTOP : SIGCONT);
}

bool SwaySession::pointer(bool click) const
{
    return runToEnd(QStringLiteral(HELIXCAVERN_VIRTUAL_POINTER), {click ? QStringLiteral("click") : QStringLiteral("move")}) == 0;
}

} // namespace wayland
