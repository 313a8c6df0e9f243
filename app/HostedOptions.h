// The command line of hosted mode: the flags with which a screen-saver daemon starts the saver in a window of its own.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// Hosted mode is the mode that XScreenSaver, xsecurelock and MATE's saver use. It is chosen by the
// first argument alone (see selects()); the other modes keep their rule of the command line's
// second character.
//
// Accepted flags, in any order, each at most once in effect (a repeated flag: the last one wins):
//   --root                   draw in the host's window (XSCREENSAVER_WINDOW), else in the root window
//   --window-id ID           draw in the window ID: "0x" or "0X" and hexadecimal digits, or decimal
//                            digits; from 1 to 0xFFFFFFFF
//   --texture desktop|picture, --picture FILE, --speed N (whole number from 1 to 100)
//   --fps, --no-fps          show the frame rate in a corner, or not (the last one wins)
//   --help                   usage on standard output; parsing stops there
//   --version                the program's name and version on standard output; parsing stops there
//   --add-to-xscreensaver, --remove-from-xscreensaver
//                            add the saver to, or take it out of, the programs: list of the user's
//                            ~/.xscreensaver; parsing stops there
//   --window, --install, --noinstall, --visual V, --mono: accepted and ignored
// The flags daemons pass (--root, --window-id, --fps, --no-fps and the ignored ones) may also be
// written with one dash (-root, -window-id ID); the settings flags, --help, --version and the
// XScreenSaver flags only with two. A flag that takes a
// value reads it from the next argument, or from the same one after '=' (--speed=30). "-h" is not
// an option: as a first argument it falls to the second-character rule and names no mode.
//
// Nothing throws: a problem comes back as a one-line message in `error`, and parsing stops at the
// first one. The caller prints it on standard error and exits with status 2. The message shows the
// arguments it quotes printable: control characters escaped, long ones cut after 64 characters.
struct HostedOptions
{
    enum class Texture { Desktop, Picture };
    enum class Registration { AddToXScreenSaver, RemoveFromXScreenSaver };

    // Where the saver draws.
    struct Target
    {
        std::optional<quint32> windowId; // the window to draw in; nothing: the root window
        QString error;                   // not empty: no target, and this line says why
    };

    // Values given on the command line; nothing where a flag was absent. The caller merges them
    // over the settings file's values (flags win, then the file, then the built-in defaults).
    std::optional<quint32> windowId;
    std::optional<Texture> texture;
    std::optional<QByteArray> picture; // the file name's own bytes, as they came in argv
    std::optional<int> speed;
    bool showFrameRate = false;
    bool help = false;    // --help was given: print usage() on standard output and exit with 0
    bool version = false; // --version was given: print versionText() on standard output and exit with 0
    // --add-to-xscreensaver or --remove-from-xscreensaver was given: change ~/.xscreensaver, no saver
    std::optional<Registration> registration;
    QString error;     // not empty: the command line is bad, and this line (no newline) says why

    // True when `arguments` (without the program name) ask for hosted mode: the first argument is
    // "--" followed by a name, or one of the daemons' one-dash flags -root, -window, -window-id,
    // -install, -noinstall, -visual, -fps, -no-fps, -mono (also in the -name=value spelling).
    // Anything else ("/s", "-s", "/c", "/p 12", "-speed", nothing) is not hosted mode.
    static bool selects(const QStringList &arguments);

    // Reads `arguments` (without the program name), each exactly as the bytes of argv, so that a
    // picture's file name that is not valid text stays the same file name.
    static HostedOptions parse(const QList<QByteArray> &arguments);

    // The window to draw in: --window-id when given, else the window named by the environment
    // variable XSCREENSAVER_WINDOW (`environmentWindow`, "0x" hexadecimal as XScreenSaver writes it
    // or decimal as xsecurelock writes it; empty when unset or set to nothing), else the root
    // window. A malformed variable is an error. `options` must be free of errors.
    static Target resolveTarget(const HostedOptions &options, const QByteArray &environmentWindow);

    // The help text for the terminal, in English, ending in a newline.
    static QString usage();

    // "helixcavern " and the project's version, ending in a newline.
    static QString versionText();

    // Every flag the parser accepts, in its two-dash spelling ("--root", "--speed", ...).
    static QStringList knownOptions();
};
