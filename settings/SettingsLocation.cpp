// Where the settings file lives; see SettingsLocation.h.
#include "settings/SettingsLocation.h"

#include "files/FileDescriptor.h"
#include "files/FileTarget.h"
#include "settings/SettingsKeys.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
const QString ConfigFolderName = QStringLiteral("helixcavern");

bool existsAt(const FileName &path) { return ::access(path.bytes().constData(), F_OK) == 0; }
bool writableFolder(const FileName &folder) { return ::access(folder.bytes().constData(), W_OK) == 0; }

bool isFolder(const QByteArray &path)
{
    struct stat status {};
    return ::stat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool cannotMake(const QByteArray &folder, int code, QString *error)
{
    if (error)
        *error = QStringLiteral("cannot make the folder %1: %2")
                     .arg(FileName(folder).toDisplayString(), QString::fromLocal8Bit(std::strerror(code)));
    return false;
}

// The folder just made at `folder` is the one checked: opened without following a link, it must
// pass the check FileTarget makes of the folder a file is written in.
bool madeFolderIsTrusted(const QByteArray &folder, QString *error)
{
    const FileDescriptor made(::open(folder.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!made.valid())
        return cannotMake(folder, errno, error);
    return FileTarget::isTrustedFolder(made.get(), FileName(folder).toDisplayString(), error);
}

// Makes `folder` and the folders above it that are missing, as mkdir -p does; each folder made must
// be trusted (see madeFolderIsTrusted). A folder that is already there is used as it is.
bool makeFolderWithParents(QByteArray folder, QString *error)
{
    while (folder.size() > 1 && folder.endsWith('/'))
        folder.chop(1);
    // The mode asked for also bounds what a default ACL of the folder above would give others.
    if (::mkdir(folder.constData(), 0700) == 0)
        return madeFolderIsTrusted(folder, error);
    int code = errno;
    if (code == EEXIST && isFolder(folder))
        return true;
    const qsizetype slash = folder.lastIndexOf('/');
    if (code != ENOENT || slash <= 0)
        return cannotMake(folder, code, error);
    if (!makeFolderWithParents(folder.left(slash), error))
        return false;
    if (::mkdir(folder.constData(), 0700) == 0)
        return madeFolderIsTrusted(folder, error);
    code = errno;
    return (code == EEXIST && isFolder(folder)) || cannotMake(folder, code, error);
}

FileName fileBeside(const FileName &programFolder)
{
    const QByteArray &folder = programFolder.bytes();
    return FileName((folder.endsWith('/') ? folder : folder + '/') + QFile::encodeName(SettingsKeys::FileName));
}

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

FileName folderOfFile(const QByteArray &path)
{
    const std::optional<QByteArray> real = realPath(path);
    if (!real)
        return {};
    const FileName folder = FileName(*real).folder();
    return folder.isEmpty() ? FileName("/") : folder;
}
} // namespace

void SettingsLocation::setProgramPath(const QByteArray &argv0) { programPath() = argv0; }

FileName SettingsLocation::programFolder()
{
    // /proc/self/exe names the running executable even before QCoreApplication exists.
    static const FileName folder = [] {
        const FileName fromProc = folderOfFile("/proc/self/exe");
        if (!fromProc.isEmpty())
            return fromProc;
        const std::optional<QByteArray> working = realPath(".");
        return folderOfProgram(programPath(), qgetenv("PATH"), working.value_or(QByteArray()));
    }();
    return folder;
}

FileName SettingsLocation::folderOfProgram(const QByteArray &argv0, const QByteArray &searchPath,
                                           const QByteArray &workingFolder)
{
    if (argv0.isEmpty() || argv0.contains('\0'))
        return {};
    const auto fromWorkingFolder = [&workingFolder](const QByteArray &path) {
        return path.startsWith('/') ? path : workingFolder + '/' + path;
    };
    if (argv0.contains('/')) {
        const QByteArray path = fromWorkingFolder(argv0);
        return isExecutableFile(path) ? folderOfFile(path) : FileName();
    }
    for (const QByteArray &folder : searchPath.split(':')) {
        const QByteArray candidate = fromWorkingFolder(folder.isEmpty() ? QByteArray(".") : folder) + '/' + argv0;
        if (isExecutableFile(candidate))
            return folderOfFile(candidate);
    }
    return {};
}

FileName SettingsLocation::filePath()
{
    return filePathFor(programFolder(), qEnvironmentVariable("XDG_CONFIG_HOME"), homeFolder());
}

bool SettingsLocation::isBesideProgram(const FileName &filePath)
{
    return !programFolder().isEmpty() && filePath == fileBeside(programFolder());
}

QString SettingsLocation::homeFolder() { return homeFolderFor(qEnvironmentVariable("HOME"), ::getuid()); }

QString SettingsLocation::homeFolderFor(const QString &homeVariable, uid_t user)
{
    if (QDir::isAbsolutePath(homeVariable))
        return homeVariable;
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? size_t(suggested) : 4096);
    for (;;) {
        passwd entry {};
        passwd *found = nullptr;
        const int code = ::getpwuid_r(user, &entry, buffer.data(), buffer.size(), &found);
        if (code == ERANGE && buffer.size() < 1024 * 1024) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (code != 0 || !found || !found->pw_dir)
            return {};
        const QString home = QFile::decodeName(found->pw_dir);
        return QDir::isAbsolutePath(home) ? home : QString();
    }
}

FileName SettingsLocation::filePathFor(const FileName &programFolder, const QString &configHome, const QString &home)
{
    if (!programFolder.isEmpty()) {
        const FileName beside = fileBeside(programFolder);
        if (existsAt(beside) || writableFolder(programFolder))
            return beside;
    }
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base-directory rules say; without a
    // home folder either, the file has no place.
    const QString base = QDir::isAbsolutePath(configHome) ? configHome
                         : QDir::isAbsolutePath(home)      ? home + QStringLiteral("/.config")
                                                           : QString();
    if (base.isEmpty())
        return {};
    return FileName::fromText(base + u'/' + ConfigFolderName + u'/' + SettingsKeys::FileName);
}

bool SettingsLocation::makeFolderFor(const FileName &filePath, QString *error)
{
    const QByteArray folder = filePath.folder().bytes();
    if (folder.isEmpty() || isFolder(folder))
        return true;
    // Each folder made here is private; folders that already exist keep their modes.
    const mode_t mask = ::umask(0077);
    const bool made = makeFolderWithParents(folder, error);
    ::umask(mask);
    return made;
}
