// The file a path names, through trusted links only; see FileTarget.h.
#include "files/FileTarget.h"

#include <QList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Failure {
    QString *error;
    int *code;

    std::nullopt_t operator()(int errorNumber, const QString &why) const
    {
        if (error)
            *error = why;
        if (code)
            *code = errorNumber;
        return std::nullopt;
    }
};

QString shown(const QByteArray &path) { return FileName(path).toDisplayString(); }

QByteArray joined(const QByteArray &folder, const QByteArray &name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// The names of `path` in reverse order, so that the next one is taken from the back.
void pushNames(QList<QByteArray> &pending, const QByteArray &path)
{
    const QList<QByteArray> names = path.split('/');
    for (auto name = names.crbegin(); name != names.crend(); ++name) {
        if (!name->isEmpty())
            pending.append(*name);
    }
}

FileDescriptor openFolder(const char *path) { return FileDescriptor(::open(path, O_PATH | O_DIRECTORY | O_CLOEXEC)); }

bool trusted(const struct stat &entry) { return entry.st_uid == ::geteuid() || entry.st_uid == 0; }

std::optional<QByteArray> linkText(int link)
{
    QByteArray text(256, Qt::Uninitialized);
    for (;;) {
        const ssize_t length = ::readlinkat(link, "", text.data(), size_t(text.size()));
        if (length < 0)
            return std::nullopt;
        if (length < text.size()) {
            text.truncate(length);
            return text;
        }
        text.resize(text.size() * 2);
    }
}

} // namespace

FileTarget::FileTarget(FileDescriptor folder, QByteArray folderPath, QByteArray name)
    : folder_(std::move(folder)), folderPath_(std::move(folderPath)), name_(std::move(name))
{
}

QString FileTarget::path() const { return shown(joined(folderPath_, name_)); }

bool FileTarget::folderIsTrusted(QString *error) const { return isTrustedFolder(folder(), shown(folderPath_), error); }

bool FileTarget::isTrustedFolder(int folder, const QString &folderName, QString *error)
{
    const auto refuse = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    struct stat status {};
    if (::fstat(folder, &status) != 0)
        return refuse(QStringLiteral("cannot look at the folder %1: %2")
                          .arg(folderName, QString::fromLocal8Bit(std::strerror(errno))));
    if (!trusted(status))
        return refuse(
            QStringLiteral("the folder %1 belongs to another user; nothing is written there").arg(folderName));
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) && !(status.st_mode & S_ISVTX))
        return refuse(QStringLiteral("the folder %1 can be written by other users (its group or everyone) and has "
                                     "no sticky bit; nothing is written there")
                          .arg(folderName));
    return true;
}

std::optional<FileTarget> FileTarget::resolve(const FileName &path, QString *error, int *errorCode)
{
    const Failure fail{error, errorCode};
    const QByteArray &bytes = path.bytes();
    if (bytes.isEmpty() || bytes.contains('\0'))
        return fail(ENOENT, QStringLiteral("\"%1\" is not a file name").arg(shown(bytes)));

    QByteArray folderPath = bytes.startsWith('/') ? QByteArray("/") : QByteArray(".");
    FileDescriptor folder = openFolder(folderPath.constData());
    QList<QByteArray> pending;
    pushNames(pending, bytes);
    bool endsInFolder = bytes.endsWith('/');
    int links = 0;
    while (true) {
        if (!folder.valid())
            return fail(errno, QStringLiteral("cannot open the folder %1: %2")
                                   .arg(shown(folderPath), QString::fromLocal8Bit(std::strerror(errno))));
        if (pending.isEmpty() || endsInFolder)
            return fail(EISDIR, QStringLiteral("%1 names a folder, not a file").arg(shown(bytes)));
        const QByteArray name = pending.takeLast();
        const bool last = pending.isEmpty();
        if (name == ".") {
            if (last)
                return fail(EISDIR, QStringLiteral("%1 names a folder, not a file").arg(shown(bytes)));
            continue;
        }
        if (last && name == "..")
            return fail(EISDIR, QStringLiteral("%1 names a folder, not a file").arg(shown(bytes)));

        const QByteArray reached = joined(folderPath, name);
        FileDescriptor entry(::openat(folder.get(), name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (!entry.valid()) {
            if (last && errno == ENOENT)
                return FileTarget(std::move(folder), folderPath, name); // made by the first write
            return fail(errno, QStringLiteral("cannot reach %1: %2")
                                   .arg(shown(reached), QString::fromLocal8Bit(std::strerror(errno))));
        }
        struct stat status {};
        if (::fstat(entry.get(), &status) != 0)
            return fail(errno, QStringLiteral("cannot reach %1: %2")
                                   .arg(shown(reached), QString::fromLocal8Bit(std::strerror(errno))));

        if (S_ISLNK(status.st_mode)) {
            if (!trusted(status))
                return fail(EPERM, QStringLiteral("%1 is a symbolic link that belongs to another user; "
                                                  "it is not followed")
                                       .arg(shown(reached)));
            if (++links > MaxLinks)
                return fail(ELOOP, QStringLiteral("%1 leads through more than %2 symbolic links")
                                       .arg(shown(bytes))
                                       .arg(MaxLinks));
            const std::optional<QByteArray> target = linkText(entry.get());
            if (!target || target->isEmpty())
                return fail(target ? ENOENT : errno, QStringLiteral("cannot read the link %1").arg(shown(reached)));
            // A link ending in '/' names a folder: as the file's own name it names no file.
            endsInFolder = last && target->endsWith('/');
            pushNames(pending, *target);
            if (target->startsWith('/')) {
                folderPath = "/";
                folder = openFolder("/");
            }
            continue;
        }
        if (last)
            return FileTarget(std::move(folder), folderPath, name);
        if (!S_ISDIR(status.st_mode))
            return fail(ENOTDIR, QStringLiteral("%1 is not a folder").arg(shown(reached)));
        folder = std::move(entry);
        folderPath = reached;
    }
}
