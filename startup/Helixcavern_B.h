// The program-wide module: settings values, settings-file helpers and the entry procedure `Main`.
#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <utility>

namespace Helixcavern_B {

// The settings file's section and keys, shared by the reader and the dialog's save.
inline const QString SettingsSection = QStringLiteral("Section");
inline const QString KeyTextureSource = QStringLiteral("画像");
inline const QString KeyPictureFile = QStringLiteral("画像ﾌｧｲﾙ");
inline const QString KeySpeed = QStringLiteral("回転速度");

// Captions by which an open saver window and an open settings dialog of this program are known.
inline const QString SaverCaption = QStringLiteral("Helixcavern_Main");
inline const QString DialogCaption = QStringLiteral("Helixcavernの設定");

// Settings values for the whole process. They start as zero or empty; LoadSettings fills them in
// every mode except preview. The dialog may change TextureSource, PictureFile and PictureFolder.
extern qint16 TextureSource;  // 0: desktop capture; any other value: picture file
extern QString PictureFile;   // path of the picture file; empty when none is set or it does not open
extern QString PictureFolder; // folder in which the dialog's file chooser starts
extern float Speed;           // stored rotation speed (the saver divides it by 10 once)

QString programFolder();    // folder holding the executable
QString settingsFilePath(); // programFolder() + "/Helixcavern.ini"

// Fills the four settings values from settingsFilePath(), in this order: TextureSource, PictureFolder
// (the program's folder), PictureFile (forgotten when it does not open; a TextureSource of 1 then
// falls back to 0, and PictureFolder becomes the picture's folder when it does open), Speed
// (20 when missing). A number is the whole value read as a decimal and rounded down; a value that is
// not one, or a TextureSource outside the 16-bit range, leaves the setting as it was.
void LoadSettings();
// The same with the settings file and the program's folder given.
void LoadSettings(const QString &iniPath, const QString &programFolder);
// The value of `key` in `section` of the file at `path`, whole (no length limit) and as UTF-8 text;
// empty when the file, the section or the key is missing or the file cannot be read.
QString GetIniString(const QString &section, const QString &key, const QString &path);
// Writes one key. Replaces the file atomically (temporary file in the same folder, flush, rename),
// keeping every other line; on failure returns false, leaves the file as it was and, when `error`
// is given, says why there.
bool WriteIniString(const QString &section, const QString &key, const QString &value, const QString &path,
                    QString *error = nullptr);
// Several keys of one section, in the order given, in one atomic replacement.
bool WriteIniStrings(const QString &section, const QList<std::pair<QString, QString>> &values,
                     const QString &path, QString *error = nullptr);
// True when `path` (without one trailing '/') opens for reading and is a regular file: a folder, a
// missing or unreadable file, an empty path, a device or a pipe give false.
bool FileExists(const QString &path);
// The part of `path` before its last '/': "/pics/a.jpg" gives "/pics", "/a.jpg" and "a.jpg" give "".
QString GetFolder(const QString &path);

// The system's screen-saver-running flag does not exist on X11; kept as the named step.
void EnableSystemKeys(bool enable);

// Ends the program at once with `status`: no window handler runs afterwards.
[[noreturn]] void EndProgram(int status = 0);

// The command line as one string: the arguments joined by single blanks.
const QString &CommandLine();
// Second character of the upper-cased command line, or a null QChar when it is shorter. The first
// character is never examined.
QChar ModeLetter(const QString &commandLine);

// Entry points of the modes built outside this library; each returns the exit status.
struct ModeEntries {
    std::function<int()> saver;  // Helixcavern_S
    std::function<int()> dialog; // Helixcavern_P, modal
};

// The entry procedure: refuses to run beside an open saver or settings dialog, then runs the mode
// the command line names (preview, settings dialog, saver) or ends at once; returns the exit status.
int Main(int argc, char **argv, const ModeEntries &modes);

} // namespace Helixcavern_B
