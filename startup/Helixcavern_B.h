// The program-wide module: settings values, settings-file helpers and the entry procedure `Main`.
#pragma once

#include <QString>
#include <functional>

namespace Helixcavern_B {

// Settings values for the whole process. They start as zero or empty; LoadSettings fills them in
// every mode except preview. The dialog may change TextureSource, PictureFile and PictureFolder.
extern qint16 TextureSource;  // 0: desktop capture; any other value: picture file
extern QString PictureFile;   // path of the picture file; empty when none is set or it does not open
extern QString PictureFolder; // folder in which the dialog's file chooser starts
extern float Speed;           // stored rotation speed (the saver divides it by 10 once)

QString programFolder();    // folder holding the executable
QString settingsFilePath(); // programFolder() + "/Helixcavern.ini"

void LoadSettings();
QString GetIniString(const QString &section, const QString &key, const QString &path);
// Replaces the file atomically; false (with the file untouched) when it could not be written.
bool WriteIniString(const QString &section, const QString &key, const QString &value, const QString &path);
bool FileExists(const QString &path);
QString GetFolder(const QString &path);

// The system's screen-saver-running flag does not exist on X11; kept as the named step.
void EnableSystemKeys(bool enable);

// The command line as one string: the arguments joined by single blanks.
const QString &CommandLine();
// Second character of the upper-cased command line, or a null QChar when it is shorter.
QChar ModeLetter(const QString &commandLine);

// Entry points of the modes built outside this library; each returns the exit status.
struct ModeEntries {
    std::function<int()> saver;  // Helixcavern_S
    std::function<int()> dialog; // Helixcavern_P, modal
};

int Main(int argc, char **argv, const ModeEntries &modes);

} // namespace Helixcavern_B
