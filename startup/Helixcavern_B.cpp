// Placeholder bodies so the tree links while the start-up module is being written.
#include "Helixcavern_B.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdlib>

namespace Helixcavern_B {

qint16 TextureSource = 0;
QString PictureFile;
QString PictureFolder;
float Speed = 0.0f;

namespace {
QString g_commandLine;
QString g_programPath;
}

QString programFolder() { return QFileInfo(g_programPath).absolutePath(); }
QString settingsFilePath() { return programFolder() + QStringLiteral("/Helixcavern.ini"); }
void LoadSettings() { Speed = 20.0f; PictureFolder = programFolder(); }
QString GetIniString(const QString &, const QString &, const QString &) { return {}; }
bool WriteIniString(const QString &, const QString &, const QString &, const QString &, QString *) { return false; }
bool WriteIniStrings(const QString &, const QList<std::pair<QString, QString>> &, const QString &, QString *) { return false; }
void EndProgram(int status) { std::_Exit(status); }
bool FileExists(const QString &) { return false; }
QString GetFolder(const QString &) { return {}; }
void EnableSystemKeys(bool) {}
const QString &CommandLine() { return g_commandLine; }
QChar ModeLetter(const QString &commandLine) { return commandLine.size() < 2 ? QChar() : commandLine.toUpper().at(1); }

int Main(int argc, char **argv, const ModeEntries &modes)
{
    g_programPath = QString::fromLocal8Bit(argv[0]);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    g_commandLine = args.join(QLatin1Char(' '));
    const QChar letter = ModeLetter(g_commandLine);
    if (letter == QLatin1Char('P'))
        return 0;
    LoadSettings();
    QApplication app(argc, argv);
    if (letter == QLatin1Char('C'))
        return modes.dialog();
    if (!g_commandLine.isEmpty() && letter != QLatin1Char('S'))
        return 0;
    return modes.saver();
}

} // namespace Helixcavern_B
