// The command line as the modes read it: one string, and the letter that names the mode.
#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

class CommandLine
{
public:
    // The arguments after the program's name, decoded from the locale; joined by single blanks they
    // are the command line the modes read.
    static QStringList arguments(int argc, char **argv);
    // The second character of the command line, upper-cased, or a null QChar when it is shorter.
    // The first character is never examined: "/s", "-s" and "xs" all give 'S', " /s" gives '/'.
    static QChar modeLetter(const QString &commandLine);

    // The window system the full-screen saver draws on.
    enum class Platform {
        Automatic, // Wayland where WAYLAND_DISPLAY or WAYLAND_SOCKET reaches a compositor with layer shell, else X11
        X11,
        Wayland,
        Unknown, // a --platform flag that names neither
    };
    // Removes every "--platform=NAME" argument from argv (argc follows, argv[argc] stays null) and
    // returns the last one's choice ("x11" or "wayland"); Automatic when there is none. This runs
    // before any mode rule, so "--platform=wayland /s" and "/s --platform=wayland" are both "/s".
    static Platform takePlatform(int &argc, char **argv);
    // True when the first argument is "--lock-background" (the background of a screen locker).
    static bool selectsLockBackground(const QStringList &arguments);

    static constexpr QChar PreviewLetter = u'P';
    static constexpr QChar DialogLetter = u'C';
    static constexpr QChar SaverLetter = u'S';
};
