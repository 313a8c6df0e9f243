// The command line as the modes read it; see CommandLine.h.
#include "app/CommandLine.h"


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
