// The command line as the modes read it; see CommandLine.h.
#include "app/CommandLine.h"

#include <QByteArrayView>

QStringList CommandLine::arguments(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

QChar CommandLine::modeLetter(const QString &commandLine)
{
    // Only the second character is upper-cased: a full-string mapping could change the length.
    return commandLine.size() < 2 ? QChar() : commandLine.at(1).toUpper();
}

CommandLine::Platform CommandLine::takePlatform(int &argc, char **argv)
{
    static constexpr QByteArrayView prefix = "--platform=";
    Platform choice = Platform::Automatic;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView argument(argv[i]);
        if (!argument.startsWith(prefix)) {
            argv[kept++] = argv[i];
            continue;
        }
        const QByteArrayView name = argument.sliced(prefix.size());
        choice = name == "x11" ? Platform::X11 : name == "wayland" ? Platform::Wayland : Platform::Unknown;
    }
    if (argc > 0) {
        argc = kept;
        argv[argc] = nullptr;
    }
    return choice;
}

bool CommandLine::selectsLockBackground(const QStringList &arguments)
{
    return !arguments.isEmpty() && arguments.first() == QLatin1String("--lock-background");
}
