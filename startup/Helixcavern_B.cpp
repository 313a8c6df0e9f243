// The program-wide module: settings values, settings-file helpers and the entry procedure `Main`.
#include "Helixcavern_B.h"

#include "CaptionSearch.h"
#include "DecimalText.h"
#include "Helixcavern_R.h"
#include "HostHandle.h"
#include "IniFile.h"
#include "ShiftJisCodec.h"
#include "X11Display.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace Helixcavern_B {

qint16 TextureSource = 0;
QString PictureFile;
QString PictureFolder;
float Speed = 0.0f;

namespace {

const QString kSettingsFileName = QStringLiteral("Helixcavern.ini");
constexpr float kDefaultSpeed = 20.0f;

constexpr QChar kPreviewLetter = u'P';
constexpr QChar kDialogLetter = u'C';
constexpr QChar kSaverLetter = u'S';

QString g_commandLine;

// Values are stored as the bytes of the text in UTF-8, the encoding of file names here. A value is
// a C string to the programs that share this file format, so it ends at a NUL byte.
QString valueText(const IniFile &file, const QString &section, const QString &key)
{
    const std::optional<QByteArray> value = file.value(section, key);
    if (!value)
        return {};
    const qsizetype nul = value->indexOf('\0');
    return QString::fromUtf8(nul < 0 ? *value : value->first(nul));
}

std::optional<double> wholeNumberBelow(const QString &text)
{
    const std::optional<double> value = DecimalText::parse(text);
    if (!value)
        return std::nullopt;
    return std::floor(*value);
}

void readTextureSource(const QString &text)
{
    if (text.isEmpty()) {
        TextureSource = 0;
        return;
    }
    const std::optional<double> value = wholeNumberBelow(text);
    if (value && *value >= std::numeric_limits<qint16>::min() && *value <= std::numeric_limits<qint16>::max())
        TextureSource = qint16(*value);
}

void readPictureFile(const QString &text)
{
    PictureFile = text;
    if (!text.isEmpty() && FileExists(text)) {
        PictureFolder = GetFolder(text);
        return;
    }
    // Only the picture-file choice falls back to the desktop; other numbers stay as read.
    PictureFile.clear();
    if (TextureSource == 1)
        TextureSource = 0;
}

void readSpeed(const QString &text)
{
    if (text.isEmpty()) {
        Speed = kDefaultSpeed;
        return;
    }
    const std::optional<double> value = wholeNumberBelow(text);
    if (value && std::isfinite(float(*value)))
        Speed = float(*value);
}

QString joinArguments(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args.join(u' ');
}

// Both captions are always looked up, the saver's first.
bool otherInstanceOpen()
{
    const bool saverOpen = CaptionSearch::windowExists(SaverCaption);
    const bool dialogOpen = CaptionSearch::windowExists(DialogCaption);
    return saverOpen || dialogOpen;
}

void warnIfShiftJisMissing()
{
    if (!ShiftJisCodec::available())
        std::fputs("helixcavern: the system has no Shift-JIS (CP932) converter; settings read as their "
                   "defaults and cannot be saved\n",
                   stderr);
}

// Qt's X11 platform aborts with a core dump when it finds no X server; say so plainly instead and
// end with status 1. Only checked when Qt would choose X11 (no other platform named, no Wayland).
void endIfNoDisplay()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool x11 = platform.isEmpty() ? qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") : platform.startsWith("xcb");
    if (x11 && !X11Display().valid()) {
        std::fputs("helixcavern: cannot connect to the X display (is DISPLAY set?)\n", stderr);
        EndProgram(1);
    }
}

} // namespace

QString programFolder()
{
    // /proc/self/exe names the running executable even before QCoreApplication exists.
    static const QString folder = [] {
        const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
        if (!exe.isEmpty())
            return QFileInfo(exe).absolutePath();
        return QCoreApplication::applicationDirPath();
    }();
    return folder;
}

QString settingsFilePath() { return programFolder() + u'/' + kSettingsFileName; }

void LoadSettings() { LoadSettings(settingsFilePath(), programFolder()); }

void LoadSettings(const QString &iniPath, const QString &folder)
{
    // One reading of the file serves all three keys; an unreadable file reads as an empty one.
    const IniFile file = IniFile::load(iniPath).value_or(IniFile());
    readTextureSource(valueText(file, SettingsSection, KeyTextureSource));
    PictureFolder = folder;
    readPictureFile(valueText(file, SettingsSection, KeyPictureFile));
    readSpeed(valueText(file, SettingsSection, KeySpeed));
}

QString GetIniString(const QString &section, const QString &key, const QString &path)
{
    const std::optional<IniFile> file = IniFile::load(path);
    return file ? valueText(*file, section, key) : QString();
}

bool WriteIniString(const QString &section, const QString &key, const QString &value, const QString &path,
                    QString *error)
{
    return WriteIniStrings(section, {{key, value}}, path, error);
}

bool WriteIniStrings(const QString &section, const QList<std::pair<QString, QString>> &values,
                     const QString &path, QString *error)
{
    // A file that exists but cannot be read is not replaced: its other lines would be lost.
    std::optional<IniFile> file = IniFile::load(path, error);
    if (!file)
        return false;
    for (const auto &[key, value] : values) {
        if (!file->set(section, key, value.toUtf8(), error))
            return false;
    }
    return file->save(path, error);
}

bool FileExists(const QString &path)
{
    QString target = path;
    if (target.endsWith(u'/'))
        target.chop(1);
    if (target.isEmpty() || target.contains(QChar(0)))
        return false;
    // Non-blocking, so that a named pipe without a writer cannot hold the caller.
    const int fd = ::open(QFile::encodeName(target).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status {};
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    ::close(fd);
    return regular;
}

QString GetFolder(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash);
}

// X11 has no system-wide "a screen saver is running" flag (on Windows it blocks the task-switching
// keys); the saver grabs keyboard and pointer instead, so this step does nothing here.
void EnableSystemKeys(bool) {}

void EndProgram(int status)
{
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}

const QString &CommandLine() { return g_commandLine; }

QChar ModeLetter(const QString &commandLine)
{
    // Only the second character is upper-cased: a full-string mapping could change the length.
    return commandLine.size() < 2 ? QChar() : commandLine.at(1).toUpper();
}

int Main(int argc, char **argv, const ModeEntries &modes)
{
    g_commandLine = joinArguments(argc, argv);
    warnIfShiftJisMissing();
    if (otherInstanceOpen())
        EndProgram(0);

    const QChar letter = ModeLetter(g_commandLine);
    if (letter == kPreviewLetter) {
        // A number beyond the 32-bit range names no window that could host the preview.
        const std::optional<qint32> host = HostHandle::fromCommandLine(g_commandLine);
        if (!host)
            EndProgram(0);
        endIfNoDisplay();
        QApplication app(argc, argv);
        return Helixcavern_R::run(*host);
    }

    LoadSettings();
    // An unknown switch ends here, before the toolkit starts.
    if (letter != kDialogLetter && letter != kSaverLetter && !g_commandLine.isEmpty())
        EndProgram(0);

    endIfNoDisplay();
    if (letter == kDialogLetter) {
        QApplication app(argc, argv);
        modes.dialog();
        EndProgram(0);
    }
    // The saver draws into a plain OpenGL window and needs no widgets: the lighter application
    // object starts sooner and holds less memory.
    QGuiApplication app(argc, argv);
    if (letter == kSaverLetter) {
        QGuiApplication::setOverrideCursor(Qt::BlankCursor);
        EnableSystemKeys(false);
    }
    return modes.saver();
}

} // namespace Helixcavern_B
