// Where the settings file lives; see SettingsLocation.h.
#include "settings/SettingsLocation.h"

#include "settings/FilePath.h"
#include "settings/SettingsKeys.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString ConfigFolderName = QStringLiteral("helixcavern");

bool existsAt(const QString &path) { return ::access(QFile::encodeName(path).constData(), F_OK) == 0; }
bool writableFolder(const QString &folder) { return ::access(QFile::encodeName(folder).constData(), W_OK) == 0; }
} // namespace

QString SettingsLocation::programFolder()
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

QString SettingsLocation::filePath()
{
    return filePathFor(programFolder(), qEnvironmentVariable("XDG_CONFIG_HOME"), qEnvironmentVariable("HOME"));
}

QString SettingsLocation::filePathFor(const QString &programFolder, const QString &configHome, const QString &home)
{
    const QString beside = programFolder + u'/' + SettingsKeys::FileName;
    if (existsAt(beside) || writableFolder(programFolder))
        return beside;
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base-directory rules say.
    const QString base = QDir::isAbsolutePath(configHome) ? configHome : home + QStringLiteral("/.config");
    return base + u'/' + ConfigFolderName + u'/' + SettingsKeys::FileName;
}

bool SettingsLocation::makeFolderFor(const QString &filePath)
{
    const QString folder = FilePath::folderOf(filePath);
    if (folder.isEmpty() || QFileInfo(folder).isDir())
        return true;
    // Each folder made here is private; folders that already exist keep their modes.
    const mode_t mask = ::umask(0077);
    const bool made = QDir().mkpath(folder);
    ::umask(mask);
    return made && QFileInfo(folder).isDir();
}
