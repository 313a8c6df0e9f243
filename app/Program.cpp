// The program's entry: instance check and mode dispatch; see Program.h.
#include "app/Program.h"

#include "app/CommandLine.h"
#include "app/HostHandle.h"
#include "app/WindowCaptions.h"
#include "dialog/SettingsDialog.h"
#include "platform/CaptionSearch.h"
#include "platform/X11Display.h"
#include "preview/PreviewWindow.h"
#include "saver/SaverWindow.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsLocation.h"
#include "settings/ShiftJisCodec.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>

namespace {

// Both captions are always looked up, the saver's first.
bool otherInstanceOpen()
{
    const bool saverOpen = CaptionSearch::windowExists(WindowCaptions::Saver);
    const bool dialogOpen = CaptionSearch::windowExists(WindowCaptions::Dialog);
    return saverOpen || dialogOpen;
}

void warnIfShiftJisMissing()
{
    if (!ShiftJisCodec::available())
        std::fputs("helixcavern: the system has no Shift-JIS (CP932) converter; settings read as their "
                   "defaults and cannot be saved\n",
                   stderr);
}

// Qt's X11 platform aborts with a core dump when it finds no X server; say so plainly instead.
// Only checked when Qt would choose X11 (no other platform named, no Wayland).
bool displayMissing()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool x11 = platform.isEmpty() ? qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") : platform.startsWith("xcb");
    if (x11 && !X11Display().valid()) {
        std::fputs("helixcavern: cannot connect to the X display (is DISPLAY set?)\n", stderr);
        return true;
    }
    return false;
}

// On Windows a saver tells the system that it runs, which blocks the task-switching keys. X11 has
// no such flag; the saver grabs keyboard and pointer instead, so this step does nothing here.
void setSystemKeysEnabled(bool) {}

int runPreview(int argc, char **argv, const QString &commandLine)
{
    // A number beyond the 32-bit range names no window that could host the preview.
    const std::optional<qint32> host = HostHandle::fromCommandLine(commandLine);
    if (!host)
        return 0;
    if (displayMissing())
        return 1;
    QApplication app(argc, argv);
    return PreviewWindow::run(*host);
}

int runDialog(int argc, char **argv, const Settings &settings)
{
    QApplication app(argc, argv);
    return SettingsDialog::run(settings, SettingsLocation::filePath());
}

int runSaver(int argc, char **argv, const Settings &settings, bool hidePointer)
{
    // The saver draws into a plain OpenGL window and needs no widgets: the lighter application
    // object starts sooner and holds less memory.
    QGuiApplication app(argc, argv);
    if (hidePointer) {
        QGuiApplication::setOverrideCursor(Qt::BlankCursor);
        setSystemKeysEnabled(false);
    }
    const int status = SaverWindow::run(settings);
    if (hidePointer) {
        setSystemKeysEnabled(true);
        QGuiApplication::restoreOverrideCursor();
    }
    return status;
}

} // namespace

int Program::run(int argc, char **argv)
{
    const QString commandLine = CommandLine::join(argc, argv);
    warnIfShiftJisMissing();
    if (otherInstanceOpen())
        return 0;

    const QChar letter = CommandLine::modeLetter(commandLine);
    if (letter == CommandLine::PreviewLetter)
        return runPreview(argc, argv, commandLine);

    const Settings settings = SettingsFile::load(SettingsLocation::filePath(), SettingsLocation::programFolder());
    // An unknown switch ends here, before the toolkit starts.
    if (letter != CommandLine::DialogLetter && letter != CommandLine::SaverLetter && !commandLine.isEmpty())
        return 0;
    if (displayMissing())
        return 1;
    if (letter == CommandLine::DialogLetter)
        return runDialog(argc, argv, settings);
    return runSaver(argc, argv, settings, letter == CommandLine::SaverLetter);
}
