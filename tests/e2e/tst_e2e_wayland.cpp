// End-to-end tests of the saver on Wayland: the real program on a headless sway, checked by grim's
// screenshots against the renderer's own frames, driven by wtype and a virtual pointer.
#include "picture/PictureFile.h"
#include "saver/MasterImage.h"
#include "saver/TunnelRenderer.h"
#include "tests/support/E2eHarness.h"
#include "tests/support/GlobalFilter.h"
#include "tests/support/SwaySession.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TunnelShots.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace wayland;

namespace {
constexpr int FirstFrameTimeoutMs = 10000;
constexpr int EndTimeoutMs = 3000;
const QString First = QStringLiteral("HEADLESS-1");
const QString Second = QStringLiteral("HEADLESS-2");

// Pixels of `shot` farther than 2 per channel from `expected`; sizes that differ count as all.
int differingPixels(const QImage &shot, const QImage &expected)
{
    if (shot.size() != expected.size())
        return shot.width() * shot.height() + 1;
    int differing = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            differing += tunnelshots::near(shot.pixel(x, y), expected.pixel(x, y), 2) ? 0 : 1;
    return differing;
}

// A copy of the program the session's user can run, with a settings file beside it.
struct Program {
    e2e::ProgramCopy copy;
    explicit Program(const QByteArray &settings)
    {
        QFile::setPermissions(copy.folder(), QFile::Permissions(0x7755));
        if (!settings.isNull())
            copy.writeSettings(settings);
    }
    QString path() const { return copy.executable(); }
};

// Waits until `output` shows the tunnel.
bool waitForTunnel(const SwaySession &sway, const QString &output, QImage *shot = nullptr)
{
    return e2e::waitUntil([&] {
        const QImage image = sway.screenshot(output);
        if (shot != nullptr)
            *shot = image;
        return !image.isNull() && tunnelshots::showsTunnel(image);
    }, FirstFrameTimeoutMs, 100);
}

bool endsWithStatus(QProcess &process, int status, int timeoutMs = EndTimeoutMs)
{
    return process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == status;
}

bool stillRunningAfter(QProcess &process, int ms)
{
    return !process.waitForFinished(ms) && process.state() == QProcess::Running;
}

// Sleeps the process woke from so far, over all its threads.
qint64 wakeups(qint64 pid)
{
    qint64 total = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task + QStringLiteral("/status")));
        status.open(QIODevice::ReadOnly);
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches:"))
                total += line.mid(24).trimmed().toLongLong();
    }
    return total;
}

// Two pictures whose halves differ, one per output, and the saver's picture.
struct Pictures {
    QTemporaryDir folder;
    QString first = folder.filePath(QStringLiteral("first.png"));
    QString second = folder.filePath(QStringLiteral("second.png"));
    QString texture = folder.filePath(QStringLiteral("texture.png"));
    Pictures()
    {
        QFile::setPermissions(folder.path(), QFile::Permissions(0x7755));
        testfiles::writeTwoColourPicture(first, qRgb(200, 40, 40), qRgb(40, 40, 200));
        testfiles::writeTwoColourPicture(second, qRgb(40, 200, 40), qRgb(220, 220, 40));
        testfiles::writeTwoColourPicture(texture, qRgb(250, 250, 250), qRgb(120, 60, 200));
        for (const QString &file : {first, second, texture})
            QFile::setPermissions(file, QFile::Permissions(0x6444));
    }
};

// Starts `program` as the session's user with the filter's end of the connection as its WAYLAND_SOCKET.
std::unique_ptr<QProcess> startThrough(GlobalFilter &filter, const SwaySession &session, const QString &program,
                                       const QStringList &arguments)
{
    QProcessEnvironment extra;
    extra.insert(QStringLiteral("WAYLAND_SOCKET"), QStringLiteral("3"));
    extra.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("no-such-socket"));
    const int fd = filter.clientEnd();
    auto process = session.start(program, arguments, extra, [fd] {
        if (fd == 3)
            ::fcntl(fd, F_SETFD, 0);
        else
            ::dup2(fd, 3);
    });
    filter.closeClientEnd();
    return process;
}

QByteArray settings(int source, const QString &picture, const QByteArray &speed = " 0")
{
    return testfiles::settingsBytes(' ' + QByteArray::number(source), picture.toUtf8(), speed);
}
} // namespace

class tst_e2e_wayland : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        const QString missing = SwaySession::missingTools();
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
    }

    // Each output gets its own tunnel at its own size in device pixels, pixel for pixel the
    // renderer's frame at phase 0, textured with its own picture: the picture file, or the
    // output's desktop as screencopy took it.
    void eachOutputShowsItsOwnFrame_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<int>("firstScale");
        QTest::addColumn<QByteArrayList>("hidden");
        QTest::newRow("picture file") << 1 << 1 << QByteArrayList{};
        QTest::newRow("each output's desktop") << 0 << 1 << QByteArrayList{};
        QTest::newRow("desktop, first output at scale 2") << 0 << 2 << QByteArrayList{};
        QTest::newRow("desktop without screencopy: the picture file")
            << 0 << 1 << QByteArrayList{"zwlr_screencopy_manager_v1"};
    }
    void eachOutputShowsItsOwnFrame()
    {
        QFETCH(int, source);
        QFETCH(int, firstScale);
        QFETCH(QByteArrayList, hidden);
        const Pictures shown;
        const QList<OutputSpec> outputs{{QSize(640, 480), firstScale, shown.first}, {QSize(400, 300), 1, shown.second}};
        SwaySession session(outputs);
        QVERIFY(session.isRunning());
        QList<QImage> desktops{session.screenshot(First), session.screenshot(Second)};
        const Program program(settings(source, shown.texture));
        GlobalFilter filter(session.socketPath(), hidden);
        QVERIFY(filter.isRelaying());
        auto saver = hidden.isEmpty() ? session.start(program.path(), {QStringLiteral("/s")})
                                      : startThrough(filter, session, program.path(), {QStringLiteral("/s")});
        const bool picture = source == 1 || !hidden.isEmpty();
        for (int i = 0; i < 2; ++i) {
            const QString name = i == 0 ? First : Second;
            QImage shot;
            QVERIFY2(waitForTunnel(session, name, &shot), qPrintable(name));
            const QImage source_ = picture ? PictureFile::decode(FileName::fromText(shown.texture)) : desktops[i];
            const QImage expected = TunnelRenderer::renderFrame(MasterImage::scaleToMaster(source_), 0.0, outputs[i].resolution)
                                        .convertToFormat(QImage::Format_RGB32);
            QVERIFY(!expected.isNull());
            const int differing = differingPixels(shot, expected);
            QVERIFY2(differing == 0, qPrintable(QStringLiteral("%1: %2 pixels differ").arg(name).arg(differing)));
        }
        QVERIFY(session.pressKey());
        QVERIFY(endsWithStatus(*saver, 0));
    }

    // Keys and buttons end the saver at once with status 0; motion does not.
    void inputEndsItMotionDoesNot_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("ends");
        QTest::newRow("key") << "key" << true;
        QTest::newRow("button") << "click" << true;
        QTest::newRow("motion") << "move" << false;
    }
    void inputEndsItMotionDoesNot()
    {
        QFETCH(QString, input);
        QFETCH(bool, ends);
        SwaySession session({{QSize(320, 240)}});
        QVERIFY(session.isRunning());
        const Program program(QByteArray{});
        auto saver = session.start(program.path(), {QStringLiteral("/s")});
        QVERIFY(waitForTunnel(session, First));
        QVERIFY(input == QLatin1String("key") ? session.pressKey() : session.pointer(input == QLatin1String("click")));
        if (ends) {
            QVERIFY(endsWithStatus(*saver, 0));
        } else {
            QVERIFY(stillRunningAfter(*saver, 500));
            QVERIFY(session.pressKey());
            QVERIFY(endsWithStatus(*saver, 0));
        }
    }

    // An output plugged in while the saver runs gets its own tunnel; one unplugged takes only its
    // surface away, and a key still ends the saver (the keyboard asked for again where the
    // unplugged output's surface had it). sway 1.7 cannot unplug a headless output: the relay
    // tells the saver that the second output is gone.
    void outputsComeAndGo()
    {
        SwaySession session({{QSize(320, 240)}});
        QVERIFY(session.isRunning());
        const Program program(QByteArray{});
        GlobalFilter filter(session.socketPath(), {});
        QVERIFY(filter.isRelaying());
        auto saver = startThrough(filter, session, program.path(), {QStringLiteral("/s")});
        QVERIFY(waitForTunnel(session, First));
        QVERIFY(session.addOutput({QSize(400, 300)}));
        QVERIFY(waitForTunnel(session, Second));
        QVERIFY(filter.removeGlobal("wl_output", 1));
        QVERIFY(e2e::waitUntil([&] { return !tunnelshots::showsTunnel(session.screenshot(Second)); }, EndTimeoutMs, 100));
        QVERIFY(stillRunningAfter(*saver, 300));
        QVERIFY(waitForTunnel(session, First));
        QVERIFY(session.pressKey());
        QVERIFY(endsWithStatus(*saver, 0));
    }

    // While no frame callback comes (sway stopped, as for an output that is off) the saver sleeps
    // instead of waking every refresh; it draws again once they come.
    void sleepsWithoutFrameCallbacks()
    {
        SwaySession session({{QSize(320, 240)}});
        QVERIFY(session.isRunning());
        const Program program(QByteArray{});
        auto saver = session.start(program.path(), {QStringLiteral("/s")});
        QVERIFY(waitForTunnel(session, First));
        session.setStopped(true);
        QTest::qWait(300);
        const qint64 before = wakeups(saver->processId());
        QTest::qWait(1000);
        const qint64 woken = wakeups(saver->processId()) - before;
        session.setStopped(false);
        QVERIFY2(woken <= 5, qPrintable(QStringLiteral("%1 wake-ups in a second without callbacks").arg(woken)));
        QVERIFY(waitForTunnel(session, First));
        QVERIFY(session.pressKey());
        QVERIFY(endsWithStatus(*saver, 0));
    }

    // swayidle starts the saver once the seat is idle, as the README's line does; a key ends it
    // with status 0 (as the shell around it reports).
    void swayidleStartsIt()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("swayidle")).isEmpty())
            QSKIP("swayidle is not installed (scripts/setup.sh installs it)");
        SwaySession session({{QSize(320, 240)}});
        QVERIFY(session.isRunning());
        const Program program(QByteArray{});
        const QString ended = session.scratch(QStringLiteral("ended"));
        auto idle = session.start(QStringLiteral("swayidle"),
                                  {QStringLiteral("-w"), QStringLiteral("timeout"), QStringLiteral("1"),
                                   QStringLiteral("'%1' /s; echo $? >> '%2'").arg(program.path(), ended)});
        QVERIFY(waitForTunnel(session, First));
        QVERIFY(session.pressKey());
        QVERIFY(e2e::waitUntil([&] { return QFile::exists(ended); }, EndTimeoutMs, 50));
        idle->terminate();
        idle->waitForFinished(EndTimeoutMs);
        QFile status(ended);
        QVERIFY(status.open(QIODevice::ReadOnly));
        QCOMPARE(status.readAll().split('\n').first(), QByteArray("0"));
    }

    // While a saver runs on Wayland, another saver or the dialog ends at once with status 0.
    void secondStartEndsAtOnce_data()
    {
        QTest::addColumn<QString>("second");
        QTest::newRow("saver") << "/s";
        QTest::newRow("dialog") << "/c";
    }
    void secondStartEndsAtOnce()
    {
        QFETCH(QString, second);
        SwaySession session({{QSize(320, 240)}});
        QVERIFY(session.isRunning());
        const Program program(QByteArray{});
        auto saver = session.start(program.path(), {QStringLiteral("/s")});
        QVERIFY(waitForTunnel(session, First));
        auto other = session.start(program.path(), {second});
        QVERIFY(endsWithStatus(*other, 0, 2000));
        QVERIFY(saver->state() == QProcess::Running);
        QVERIFY(session.pressKey());
        QVERIFY(endsWithStatus(*saver, 0));
    }

    // The lock-screen background through a WAYLAND_SOCKET the test connected itself: every output,
    // or only the one the locker names; never the desktop (the picture file on the desktop source);
    // keys ignored; SIGTERM ends it by that signal.
    void lockBackground_data()
    {
        QTest::addColumn<QString>("outputName");
        QTest::newRow("every output") << QString();
        QTest::newRow("the named output") << Second;
    }
    void lockBackground()
    {
        QFETCH(QString, outputName);
        SwaySession session({{QSize(320, 240)}, {QSize(320, 240)}});
        QVERIFY(session.isRunning());
        const QImage desktopOfFirst = session.screenshot(First);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(session.socketPath());
        std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
        QCOMPARE(::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        QProcessEnvironment extra;
        extra.insert(QStringLiteral("WAYLAND_SOCKET"), QStringLiteral("3"));
        extra.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("no-such-socket"));
        if (!outputName.isEmpty())
            extra.insert(QStringLiteral("SWAYLOCK_PLUGIN_OUTPUT_NAME"), outputName);
        const Pictures shown;
        const Program program(settings(0, shown.texture, " 10"));
        auto background = session.start(program.path(), {QStringLiteral("--lock-background")}, extra, [fd] { ::dup2(fd, 3); });
        ::close(fd);
        QImage shot;
        QVERIFY(waitForTunnel(session, Second, &shot));
        QVERIFY2(tunnelshots::countNear(tunnelshots::wallSamples(shot), qRgb(120, 60, 200)) > 0,
                 qPrintable(tunnelshots::describe(tunnelshots::wallSamples(shot))));
        const QImage first = session.screenshot(First);
        QCOMPARE(tunnelshots::showsTunnel(first), outputName.isEmpty());
        if (!outputName.isEmpty())
            QCOMPARE(first, desktopOfFirst);
        QVERIFY(session.pressKey());
        QVERIFY(stillRunningAfter(*background, 300));
        ::kill(pid_t(background->processId()), SIGTERM);
        QVERIFY(background->waitForFinished(EndTimeoutMs));
        QCOMPARE(background->exitStatus(), QProcess::CrashExit); // ended by the signal
    }

    // A compositor without layer shell (GNOME's, say) gets no Wayland saver: with no X display to
    // fall back on, the saver and the lock background say why in one line and end with 1.
    void withoutLayerShellNothingIsDrawn_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("saver") << QStringList{QStringLiteral("/s")};
        QTest::newRow("saver told to use Wayland") << QStringList{QStringLiteral("--platform=wayland"), QStringLiteral("/s")};
        QTest::newRow("lock background") << QStringList{QStringLiteral("--lock-background")};
    }
    void withoutLayerShellNothingIsDrawn()
    {
        QFETCH(QStringList, arguments);
        SwaySession session({{QSize(320, 240)}});
        QVERIFY(session.isRunning());
        const Program program(QByteArray{});
        GlobalFilter filter(session.socketPath(), {"zwlr_layer_shell_v1"});
        QVERIFY(filter.isRelaying());
        auto saver = startThrough(filter, session, program.path(), arguments);
        QVERIFY(endsWithStatus(*saver, 1));
        const QByteArray errors = saver->readAllStandardError();
        QCOMPARE(errors.count('\n'), 1);
        QVERIFY2(errors.contains("layer shell"), errors.constData());
    }

    // The compositor going away: the saver says so and fails; the lock background ends with 0.
    void compositorGone_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("status");
        QTest::newRow("saver") << "/s" << 1;
        QTest::newRow("lock background") << "--lock-background" << 0;
    }
    void compositorGone()
    {
        QFETCH(QString, mode);
        QFETCH(int, status);
        SwaySession session({{QSize(320, 240)}});
        QVERIFY(session.isRunning());
        const Program program(QByteArray{});
        auto saver = session.start(program.path(), {mode});
        QVERIFY(waitForTunnel(session, First));
        session.swaymsg({QStringLiteral("exit")});
        QVERIFY(endsWithStatus(*saver, status, 5000));
        const QByteArray errors = saver->readAllStandardError();
        QCOMPARE(errors.count('\n'), status == 0 ? 0 : 1);
    }

    // Without a compositor that offers layer shell the saver runs on X11, as it does when told to;
    // told to use Wayland without one, it fails with one line.
    void platformChoice_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("onX11");
        QTest::newRow("no compositor: X11") << QStringList{QStringLiteral("/s")} << true;
        QTest::newRow("forced X11") << QStringList{QStringLiteral("--platform=x11"), QStringLiteral("/s")} << true;
        QTest::newRow("forced Wayland, no compositor")
            << QStringList{QStringLiteral("/s"), QStringLiteral("--platform=wayland")} << false;
    }
    void platformChoice()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, onX11);
        e2e::XServer x(QSize(320, 240));
        QVERIFY(x.isRunning());
        e2e::ProgramCopy program;
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("no-such-compositor"));
        e2e::Run run(program, x, arguments, environment);
        if (onX11) {
            QVERIFY(e2e::waitUntil([&] { return x.findWindow(QStringLiteral("Helixcavern_Main")).has_value(); }, FirstFrameTimeoutMs));
            QCOMPARE(x.xdotool({QStringLiteral("key"), QStringLiteral("space")}), 0);
            QVERIFY(run.waitForExit(EndTimeoutMs) && run.exitedNormally() && run.exitCode() == 0);
        } else {
            QVERIFY(run.waitForExit(EndTimeoutMs));
            QCOMPARE(run.exitCode(), 1);
            QCOMPARE(run.standardError().count('\n'), 1);
        }
    }
};

QTEST_MAIN(tst_e2e_wayland)
#include "tst_e2e_wayland.moc"
