// Where the settings file lives; see SettingsLocation.h.
#include "settings/SettingsLocation.h"

#include "files/FilePath.h"
#include "settings/SettingsKeys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString ConfigFolderName = QStringLiteral("helixcavern");

bool existsAt(const QString &path) { return ::access(FilePath::encodeName(path).constData(), F_OK) == 0; }
bool writableFolder(const QString &folder) { return ::access(FilePath::encodeName(folder).constData(), W_OK) == 0; }

QByteArray &programPath()
{
    static QByteArray path;
    return path;
}

// The real path of `path` (links and "." and ".." resolved), or nothing when it does not exist.
std::optional<QByteArray> realPath(const QByteArray &path)
{
    char *real = ::realpath(path.constData(), nullptr);
    if (!real)
        return std::nullopt;
    QByteArray result(real);
    std::free(real);
    return result;
}

bool isExecutableFile(const QByteArray &path)
{
    struct stat status {};
    return ::stat(path.constData(), &status) == 0 && S_ISREG(status.st_mode) && ::access(path.constData(), X_OK) == 0;
}

QString folderOfFile(const QByteArray &path)
{
    const std::optional<QByteArray> real = realPath(path);
    if (!real)
        return {};
    const QByteArray folder = FilePath::folderOf(*real);
    return folder.isEmpty() ? QStringLiteral("/") : FilePath::decodeName(folder);
}
} // namespace

void SettingsLocation::setProgramPath(const QByteArray &argv0) { programPath() = argv0; }

QString SettingsLocation::programFolder()
{
    // /proc/self/exe names the running executable even before QCoreApplication exists.
    static const QString folder = [] {
        const QString fromProc = folderOfFile("/proc/self/exe");
        if (!fromProc.isEmpty())
            return fromProc;
        const std::optional<QByteArray> working = realPath(".");
        return folderOfProgram(programPath(), qgetenv("PATH"), working.value_or(QByteArray()));
    }();
    return folder;
}

QString SettingsLocation::folderOfProgram(const QByteArray &argv0, const QByteArray &searchPath,
                                          const QByteArray &workingFolder)
{
    if (argv0.isEmpty() || argv0.contains('\0'))
        return {};
    const auto fromWorkingFolder = [&workingFolder](const QByteArray &path) {
        return path.startsWith('/') ? path : workingFolder + '/' + path;
    };
    if (argv0.contains('/')) {
        const QByteArray path = fromWorkingFolder(argv0);
        return isExecutableFile(path) ? folderOfFile(path) : QString();
    }
    for (const QByteArray &folder : searchPath.split(':')) {
        const QByteArray candidate = fromWorkingFolder(folder.isEmpty() ? QByteArray(".") : folder) + '/' + argv0;
        if (isExecutableFile(candidate))
            return folderOfFile(candidate);
    }
    return {};
}

QString SettingsLocation::filePath()
{
    return filePathFor(programFolder(), qEnvironmentVariable("XDG_CONFIG_HOME"), qEnvironmentVariable("HOME"));
}

QString SettingsLocation::filePathFor(const QString &programFolder, const QString &configHome, const QString &home)
{
    if (!programFolder.isEmpty()) {
        const QString beside = (programFolder.endsWith(u'/') ? programFolder : programFolder + u'/')
            + SettingsKeys::FileName;
        if (existsAt(beside) || writableFolder(programFolder))
            return beside;
    }
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
