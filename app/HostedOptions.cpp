// The command line of hosted mode: which flags exist, how their values read, and which window follows.
#include "app/HostedOptions.h"

#include <QByteArrayView>

#include <array>

namespace {

enum class Meaning {
    Root, WindowId, Ignored, ShowFrameRate, HideFrameRate, Texture, Picture, Speed, Help, Version, AddToXScreenSaver,
    RemoveFromXScreenSaver
};

struct Flag
{
    QByteArrayView name; // without dashes
    bool takesValue;
    bool oneDashToo; // the daemons' flags may be written with one dash
    Meaning meaning;
};

constexpr std::array flags{
    Flag{"root", false, true, Meaning::Root},
    Flag{"window-id", true, true, Meaning::WindowId},
    Flag{"window", false, true, Meaning::Ignored},
    Flag{"install", false, true, Meaning::Ignored},
    Flag{"noinstall", false, true, Meaning::Ignored},
    Flag{"visual", true, true, Meaning::Ignored},
    Flag{"fps", false, true, Meaning::ShowFrameRate},
    Flag{"no-fps", false, true, Meaning::HideFrameRate},
    Flag{"mono", false, true, Meaning::Ignored},
    Flag{"texture", true, false, Meaning::Texture},
    Flag{"picture", true, false, Meaning::Picture},
    Flag{"speed", true, false, Meaning::Speed},
    Flag{"help", false, false, Meaning::Help},
    Flag{"version", false, false, Meaning::Version},
    Flag{"add-to-xscreensaver", false, false, Meaning::AddToXScreenSaver},
    Flag{"remove-from-xscreensaver", false, false, Meaning::RemoveFromXScreenSaver},
};

constexpr int lowestSpeed = 1;
constexpr int highestSpeed = 100;

const Flag *findFlag(QByteArrayView name)
{
    for (const Flag &flag : flags)
        if (flag.name == name)
            return &flag;
    return nullptr;
}

// An argument split into its dashes, its name and the value after '=' (null when there is no '=').
struct Spelling
{
    QByteArrayView dashes;
    QByteArrayView name;
    QByteArray inlineValue;
};

std::optional<Spelling> spellingOf(const QByteArray &argument)
{
    qsizetype dashes = 0;
    if (argument.startsWith("--") && argument.size() > 2)
        dashes = 2;
    else if (argument.startsWith('-') && argument.size() > 1 && !argument.startsWith("--"))
        dashes = 1;
    else
        return std::nullopt;
    const QByteArrayView rest = QByteArrayView(argument).sliced(dashes);
    const qsizetype equals = rest.indexOf('=');
    Spelling spelling{QByteArrayView(argument).first(dashes), rest, QByteArray()};
    if (equals >= 0) {
        spelling.name = rest.first(equals);
        spelling.inlineValue = rest.sliced(equals + 1).toByteArray();
        if (spelling.inlineValue.isNull())
            spelling.inlineValue = QByteArray("");
    }
    return spelling;
}

// "0x" or "0X" and 1 to 8 significant hexadecimal digits, or decimal digits; 1 to 0xFFFFFFFF.
std::optional<quint32> readWindowId(QByteArrayView text)
{
    int base = 10;
    if (text.startsWith("0x") || text.startsWith("0X")) {
        base = 16;
        text = text.sliced(2);
    }
    if (text.isEmpty())
        return std::nullopt;
    quint64 value = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * base + digit;
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
    }
    if (value == 0)
        return std::nullopt;
    return quint32(value);
}

std::optional<int> readSpeed(QByteArrayView text)
{
    if (text.isEmpty())
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > highestSpeed)
            return std::nullopt;
    }
    if (value < lowestSpeed)
        return std::nullopt;
    return value;
}

constexpr qsizetype shownCharacters = 64; // of one value in a message; longer ones are cut

// `bytes` as a message shows them: one line that sends the terminal no commands. Control and other
// unprintable characters become escapes (\n, \x1b, \u{202e}), a backslash is doubled, and past
// shownCharacters characters the rest is cut and "..." says so.
QString shown(QByteArrayView bytes)
{
    const QList<uint> characters = QString::fromLocal8Bit(bytes).toUcs4();
    QString text;
    for (qsizetype i = 0; i < characters.size() && i < shownCharacters; ++i) {
        const char32_t c = characters[i];
        if (c == '\\')
            text += QStringLiteral("\\\\");
        else if (c == '\n')
            text += QStringLiteral("\\n");
        else if (c == '\t')
            text += QStringLiteral("\\t");
        else if (c == '\r')
            text += QStringLiteral("\\r");
        else if (QChar::isPrint(c))
            text += QString::fromUcs4(&c, 1);
        else
            text += QString::asprintf(c < 0x100 ? "\\x%02x" : "\\u{%04x}", unsigned(c));
    }
    if (characters.size() > shownCharacters)
        text += QStringLiteral("...");
    return text;
}

QString problem(QByteArrayView what, const QString &why)
{
    return QStringLiteral("helixcavern: %1: %2").arg(shown(what), why);
}

QString badValue(QByteArrayView option, const QString &expected, QByteArrayView value)
{
    return problem(option, QStringLiteral("expected %1, got \"%2\"").arg(expected, shown(value)));
}

const QString windowIdExpected =
    QStringLiteral("an X window id (0x and hexadecimal digits, or decimal digits; not 0, at most 32 bits)");

} // namespace

bool HostedOptions::selects(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return false;
    const QString &first = arguments.first();
    if (first.startsWith(u"--"))
        return first.size() > 2;
    if (!first.startsWith(u'-'))
        return false;
    const QByteArray spelled = first.toUtf8();
    const std::optional<Spelling> spelling = spellingOf(spelled);
    if (!spelling)
        return false;
    const Flag *flag = findFlag(spelling->name);
    return flag && flag->oneDashToo;
}

HostedOptions HostedOptions::parse(const QList<QByteArray> &arguments)
{
    HostedOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray &argument = arguments[i];
        const std::optional<Spelling> spelling = spellingOf(argument);
        if (!spelling) {
            options.error = problem(argument, QStringLiteral("unexpected argument; hosted mode takes only options"));
            return options;
        }
        const QByteArray written = spelling->dashes.toByteArray() + spelling->name.toByteArray();
        const Flag *flag = findFlag(spelling->name);
        if (!flag || (spelling->dashes.size() == 1 && !flag->oneDashToo)) {
            options.error = problem(written, QStringLiteral("unknown option (helixcavern --help lists them)"));
            return options;
        }

        QByteArray value;
        if (flag->takesValue) {
            if (!spelling->inlineValue.isNull()) {
                value = spelling->inlineValue;
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                options.error = problem(written, QStringLiteral("missing value"));
                return options;
            }
        } else if (!spelling->inlineValue.isNull()) {
            options.error = problem(written, QStringLiteral("takes no value, got \"%1\"").arg(shown(spelling->inlineValue)));
            return options;
        }

        switch (flag->meaning) {
        case Meaning::Root:
        case Meaning::Ignored:
            break;
        case Meaning::ShowFrameRate:
        case Meaning::HideFrameRate:
            options.showFrameRate = flag->meaning == Meaning::ShowFrameRate;
            break;
        case Meaning::WindowId:
            options.windowId = readWindowId(value);
            if (!options.windowId) {
                options.error = badValue(written, windowIdExpected, value);
                return options;
            }
            break;
        case Meaning::Texture:
            if (value == "desktop") {
                options.texture = Texture::Desktop;
            } else if (value == "picture") {
                options.texture = Texture::Picture;
            } else {
                options.error = badValue(written, QStringLiteral("\"desktop\" or \"picture\""), value);
                return options;
            }
            break;
        case Meaning::Picture:
            if (value.isEmpty()) {
                options.error = problem(written, QStringLiteral("expected a file name, got nothing"));
                return options;
            }
            options.picture = value;
            break;
        case Meaning::Speed:
            options.speed = readSpeed(value);
            if (!options.speed) {
                options.error = badValue(written,
                                         QStringLiteral("a whole number from %1 to %2").arg(lowestSpeed).arg(highestSpeed),
                                         value);
                return options;
            }
            break;
        case Meaning::Help:
            options.help = true;
            return options;
        case Meaning::Version:
            options.version = true;
            return options;
        case Meaning::AddToXScreenSaver:
            options.registration = Registration::AddToXScreenSaver;
            return options;
        case Meaning::RemoveFromXScreenSaver:
            options.registration = Registration::RemoveFromXScreenSaver;
            return options;
        }
    }
    return options;
}

HostedOptions::Target HostedOptions::resolveTarget(const HostedOptions &options, const QByteArray &environmentWindow)
{
    Target target;
    if (options.windowId) {
        target.windowId = options.windowId;
    } else if (!environmentWindow.isEmpty()) {
        target.windowId = readWindowId(environmentWindow);
        if (!target.windowId)
            target.error = badValue("XSCREENSAVER_WINDOW", windowIdExpected, environmentWindow);
    }
    return target;
}

QString HostedOptions::usage()
{
    return QStringLiteral(
        "Usage: helixcavern [/s | /c | /p ID]\n"
        "       helixcavern --root [OPTION]...\n"
        "       helixcavern --window-id ID [OPTION]...\n"
        "\n"
        "With no argument or /s the saver runs full screen until a key or mouse button is pressed;\n"
        "/c opens the settings dialog; /p ID shows the still preview inside the X window ID.\n"
        "\n"
        "On Wayland the saver draws on the compositor's layer shell where WAYLAND_DISPLAY or\n"
        "WAYLAND_SOCKET reaches one that offers it, else on X11:\n"
        "  --platform=x11|wayland     with /s or no argument: draw there, whatever the environment;\n"
        "                             taken out of the arguments before the mode is read\n"
        "  --lock-background [--texture T] [--picture FILE] [--speed N]\n"
        "                             the background of a screen locker (swaylock-plugin --command);\n"
        "                             never shows the desktop, ignores input, ends on SIGTERM\n"
        "\n"
        "Hosted mode, for screen-saver daemons (XScreenSaver, xsecurelock, MATE's saver):\n"
        "  --root                     draw in the window named by XSCREENSAVER_WINDOW, or else in\n"
        "                             the root window\n"
        "  --window-id ID             draw in the window ID (0x and hexadecimal digits, or decimal\n"
        "                             digits); wins over XSCREENSAVER_WINDOW\n"
        "  --texture desktop|picture  the wall: the desktop as the host shows it, or a picture file\n"
        "  --picture FILE             the picture file (BMP or JPEG)\n"
        "  --speed N                  rotation speed, a whole number from 1 to 100\n"
        "  --fps, --no-fps            show the frame rate in the bottom-left corner, or not\n"
        "  --help                     print this text and exit\n"
        "  --version                  print the program's version and exit\n"
        "  --window, --install, --noinstall, --visual V, --mono\n"
        "                             accepted for the daemons' sake and ignored\n"
        "The daemons' flags may also be written with one dash (-root, -window-id ID); a flag that\n"
        "takes a value may also be written --name=value. Flags win over the settings file\n"
        "Helixcavern.ini, which wins over the defaults (desktop, no picture, speed 20).\n"
        "\n"
        "XScreenSaver's list of savers, the programs: resource of ~/.xscreensaver:\n"
        "  --add-to-xscreensaver      add \"helixcavern --root\" to the list (made from the system's\n"
        "                             default list when there is no ~/.xscreensaver yet)\n"
        "  --remove-from-xscreensaver take every helixcavern entry out of the list\n"
        "\n"
        "Exit status: 0 normal end, 1 no X display, no Wayland compositor to draw on, no OpenGL,\n"
        "the compositor lost, a window that is missing or only takes input, or ~/.xscreensaver\n"
        "left unchanged because it cannot be read or written, 2 bad option. Ended by SIGTERM, SIGINT\n"
        "or SIGHUP, hosted mode and the lock background end by that same signal.\n");
}

QString HostedOptions::versionText()
{
    return QStringLiteral("helixcavern " HELIXCAVERN_VERSION "\n");
}

QStringList HostedOptions::knownOptions()
{
    QStringList names;
    for (const Flag &flag : flags)
        names << QStringLiteral("--") + QString::fromLatin1(flag.name);
    return names;
}
