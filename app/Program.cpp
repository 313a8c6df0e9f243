// The program's entry: instance check and mode dispatch; see Program.h.
#include "app/Program.h"

#include "app/CommandLine.h"
#include "app/HostHandle.h"
#include "app/HostedOptions.h"
#include "app/WaylandModes.h"
#include "app/XScreenSaverFile.h"
#include "dialog/SettingsDialog.h"
#include "platform/CaptionSearch.h"
#include "platform/InstanceLock.h"
#include "platform/StandardDescriptors.h"
#include "platform/TerminationSignals.h"
#include "platform/ToolkitX11.h"
#include "platform/WindowCaptions.h"
#include "platform/X11Display.h"
#include "platform/X11DisplayPower.h"
#include "preview/PreviewWindow.h"
#include "saver/AccessibilityBridgeBlocker.h"
#include "saver/FullScreenSaver.h"
#include "saver/HostedSaver.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsLocation.h"
#include "settings/ShiftJisCodec.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// Both captions are always looked up, the saver's first; a saver on Wayland holds the lock file.
bool otherInstanceOpen(const X11Display &x11)
{
    const bool saverOpen = CaptionSearch::windowExists(x11.get(), WindowCaptions::Saver);
    const bool dialogOpen = CaptionSearch::windowExists(x11.get(), WindowCaptions::Dialog);
    return saverOpen || dialogOpen || InstanceLock::heldElsewhere();
}

void warnIfShiftJisMissing()
{
    if (!ShiftJisCodec::available())
        std::fputs("helixcavern: the system has no Shift-JIS (CP932) converter; settings read as their "
                   "defaults and cannot be saved\n",
                   stderr);
}

// Qt's X11 platform aborts with a core dump when it finds no X server; say so plainly instead.
bool displayMissing(const X11Display &x11)
{
    if (!x11.valid()) {
        std::fputs("helixcavern: cannot connect to the X display (is DISPLAY set?)\n", stderr);
        return true;
    }
    return false;
}

// On Windows a saver tells the system that it runs, which blocks the task-switching keys. X11 has
// no such flag; the saver grabs keyboard and pointer instead, so this step does nothing here.
void setSystemKeysEnabled(bool) {}

int runPreview(int argc, char **argv, const QString &commandLine, const X11Display &x11)
{
    // A number beyond the 32-bit range names no window that could host the preview.
    const std::optional<qint32> host = HostHandle::fromCommandLine(commandLine);
    if (!host)
        return 0;
    if (displayMissing(x11))
        return 1;
    QApplication app(argc, argv);
    return PreviewWindow::run(*host);
}

int runDialog(int argc, char **argv, const Settings &settings)
{
    QApplication app(argc, argv);
    return SettingsDialog::run(settings, SettingsLocation::filePath());
}

// The application object both saver modes run `run(power)` on: plain OpenGL windows and no widgets
// (the lighter object starts sooner and holds less memory), no accessibility bridge, and the
// display's power state asked on the toolkit's own connection.
template <typename Run>
int onSaverApplication(int argc, char **argv, Run run)
{
    QGuiApplication app(argc, argv);
    AccessibilityBridgeBlocker noAccessibilityBridge;
    app.installEventFilter(&noAccessibilityBridge);
    X11DisplayPower power(ToolkitX11::display());
    return run(power);
}

int runSaver(int argc, char **argv, const Settings &settings, bool hidePointer, const SaverRunner::Tuning &tuning)
{
    return onSaverApplication(argc, argv, [&](DisplayPower &power) {
        if (hidePointer) {
            QGuiApplication::setOverrideCursor(Qt::BlankCursor);
            setSystemKeysEnabled(false);
        }
        const int status = FullScreenSaver::run(settings, &power, tuning);
        if (hidePointer) {
            setSystemKeysEnabled(true);
            QGuiApplication::restoreOverrideCursor();
        }
        return status;
    });
}

QList<QByteArray> argumentBytes(int argc, char **argv)
{
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    return arguments;
}

// The settings file's values with the command line's flags over them.
Settings hostedSettings(const HostedOptions &options)
{
    Settings settings = SettingsFile::load(SettingsLocation::filePath());
    if (options.texture)
        settings.textureSource = *options.texture == HostedOptions::Texture::Picture ? Settings::Picture : Settings::Desktop;
    if (options.picture)
        settings.pictureFile = FileName(*options.picture); // the name's own bytes, kept
    if (options.speed)
        settings.speed = float(*options.speed);
    return settings;
}

// Adds the saver to XScreenSaver's list in ~/.xscreensaver or takes it out; needs no display.
int changeXScreenSaverList(HostedOptions::Registration registration)
{
    const FileName path = XScreenSaverFile::userFilePath();
    const XScreenSaverFile::Outcome outcome = registration == HostedOptions::Registration::AddToXScreenSaver
                                                  ? XScreenSaverFile::add(path)
                                                  : XScreenSaverFile::remove(path);
    std::fprintf(outcome.isError ? stderr : stdout, "%s\n", qPrintable(outcome.message));
    return outcome.status;
}

// Hosted mode: the flags of a screen-saver daemon. Bad flags end with status 2 before anything is
// drawn; the settings file is read but never written; no instance check (one process per monitor).
// --help, --version and the XScreenSaver list flags do their one thing and end. `terminations`
// catch the daemon's signals from before the first connection: one caught before the toolkit
// starts ends the mode there, one caught later ends the saver from its event loop.
int runHostedMode(int argc, char **argv, TerminationSignals &terminations, const SaverRunner::Tuning &tuning)
{
    const HostedOptions options = HostedOptions::parse(argumentBytes(argc, argv));
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(options.error));
        return 2;
    }
    if (options.help) {
        std::fputs(qPrintable(HostedOptions::usage()), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(qPrintable(HostedOptions::versionText()), stdout);
        return 0;
    }
    if (options.registration)
        return changeXScreenSaverList(*options.registration);
    const HostedOptions::Target target = HostedOptions::resolveTarget(options, qgetenv("XSCREENSAVER_WINDOW"));
    if (!target.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(target.error));
        return 2;
    }
    const Settings settings = hostedSettings(options);
    const X11Display x11; // held until the mode ends: see X11Display.h
    if (displayMissing(x11))
        return 1;
    if (terminations.received() != 0)
        return 0;
    return onSaverApplication(argc, argv, [&](DisplayPower &power) {
        return target.windowId
                   ? HostedSaver::runInWindow(settings, *target.windowId, options.showFrameRate, &power, terminations, tuning)
                   : HostedSaver::runOnRoot(settings, options.showFrameRate, &power, terminations, tuning);
    });
}

// Ends by the termination signal that stopped it, as daemons expect of the programs they stop.
Program::End runHosted(int argc, char **argv, const SaverRunner::Tuning &tuning)
{
    TerminationSignals terminations;
    const int status = runHostedMode(argc, argv, terminations, tuning);
    return {status, terminations.received()};
}

// The lock-screen background: the settings flags of hosted mode after "--lock-background", read as
// hosted mode reads them. The termination handlers come first, as in hosted mode: the locker stops
// its background with SIGTERM, and it ends by that signal once everything is released.
Program::End runLockBackground(int argc, char **argv, const SaverRunner::Tuning &tuning)
{
    TerminationSignals terminations;
    const HostedOptions options = HostedOptions::parse(argumentBytes(argc, argv).mid(1));
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(options.error));
        return {2};
    }
    if (options.help) {
        std::fputs(qPrintable(HostedOptions::usage()), stdout);
        return {0};
    }
    const int status = WaylandModes::runLockBackground(hostedSettings(options), argc, argv, terminations, tuning);
    return {status, terminations.received()};
}

// The modes of the original design: preview, dialog and the full-screen saver (on Wayland where
// `platform` allows it).
int runOtherMode(int argc, char **argv, const QStringList &arguments, CommandLine::Platform platform,
                 const SaverRunner::Tuning &tuning)
{
    // One X connection for every question asked before the toolkit connects (instance check,
    // display check), kept open until the mode ends: see X11Display.h for why.
    const X11Display x11;

    const QString commandLine = arguments.join(u' ');
    warnIfShiftJisMissing();
    if (otherInstanceOpen(x11))
        return 0;

    const QChar letter = CommandLine::modeLetter(commandLine);
    if (letter == CommandLine::PreviewLetter)
        return runPreview(argc, argv, commandLine, x11);

    const Settings settings = SettingsFile::load(SettingsLocation::filePath());
    // An unknown switch ends here, before the toolkit starts.
    if (letter != CommandLine::DialogLetter && letter != CommandLine::SaverLetter && !commandLine.isEmpty())
        return 0;
    if (letter != CommandLine::DialogLetter) {
        const bool hidePointer = letter == CommandLine::SaverLetter;
        if (const auto status = WaylandModes::runSaver(platform, x11.valid(), settings, hidePointer, argc, argv, tuning))
            return *status;
    }
    if (displayMissing(x11))
        return 1;
    if (letter == CommandLine::DialogLetter)
        return runDialog(argc, argv, settings);
    return runSaver(argc, argv, settings, letter == CommandLine::SaverLetter, tuning);
}

} // namespace

Program::End Program::run(int argc, char **argv, const SaverRunner::Tuning &tuning)
{
    // Before anything is opened: no connection may take the number of a closed standard stream.
    StandardDescriptors::ensureOpen();
    // Where /proc is missing, the settings file's folder is found from the program's own path.
    SettingsLocation::setProgramPath(argc > 0 && argv[0] ? QByteArray(argv[0]) : QByteArray());
    // Every mode talks to X11 windows by id, whatever session the desktop runs.
    qputenv("QT_QPA_PLATFORM", "xcb");
    const CommandLine::Platform platform = CommandLine::takePlatform(argc, argv);
    if (platform == CommandLine::Platform::Unknown) {
        std::fputs("helixcavern: --platform takes x11 or wayland\n", stderr);
        return {2};
    }
    const QStringList arguments = CommandLine::arguments(argc, argv);
    if (CommandLine::selectsLockBackground(arguments))
        return runLockBackground(argc, argv, tuning);
    if (HostedOptions::selects(arguments))
        return runHosted(argc, argv, tuning);
    return {runOtherMode(argc, argv, arguments, platform, tuning)};
}

void Program::endProcess(const End &end)
{
    std::fflush(stdout);
    std::fflush(stderr);
    if (end.signal != 0)
        TerminationSignals::endBy(end.signal);
    std::_Exit(end.status);
}
