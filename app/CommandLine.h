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

    static constexpr QChar PreviewLetter = u'P';
    static constexpr QChar DialogLetter = u'C';
    static constexpr QChar SaverLetter = u'S';
};
