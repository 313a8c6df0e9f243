// Replaces a file's contents all at once: readers see either the old file or the whole new one.
//
// QSaveFile is not used: it commits a file cut short when a write stops part way (a full disk or a
// file-size limit gives a short write first and the error only on the next call), and it leaves
// its named temporary behind when the process is killed.
#include "files/AtomicFile.h"

#include "files/FileDescriptor.h"
#include "files/FileTarget.h"

#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr mode_t kNewFileMode = 0666; // narrowed by the process's umask, like any newly created file
constexpr int kNameAttempts = 100;
constexpr QByteArrayView kNameLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr qsizetype kRandomLetters = 6;

bool unnamedFilesUsed = true;

bool fail(QString *error, const QString &path, const char *step, int code)
{
    if (error)
        *error = QStringLiteral("cannot write %1: %2 failed: %3")
                     .arg(path, QLatin1String(step), QString::fromLocal8Bit(std::strerror(code)));
    return false;
}

bool refuse(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

// A write beyond RLIMIT_FSIZE raises SIGXFSZ, whose default action ends the process; ignored, the
// write fails with EFBIG instead and the failure is reported like a full disk.
class FileSizeSignalIgnored
{
public:
    FileSizeSignalIgnored()
    {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        saved_ = ::sigaction(SIGXFSZ, &ignore, &previous_) == 0;
    }
    ~FileSizeSignalIgnored()
    {
        if (saved_)
            ::sigaction(SIGXFSZ, &previous_, nullptr);
    }
    FileSizeSignalIgnored(const FileSizeSignalIgnored &) = delete;
    FileSizeSignalIgnored &operator=(const FileSizeSignalIgnored &) = delete;

private:
    struct sigaction previous_ {};
    bool saved_ = false;
};

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

bool inGroup(gid_t group)
{
    if (::getegid() == group)
        return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    const int got = ::getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) {
        if (groups[size_t(i)] == group)
            return true;
    }
    return false;
}

// The permission bits as they apply to an ordinary user with this process's ids, root included.
bool userMayWrite(const struct stat &file)
{
    if (file.st_uid == ::geteuid())
        return file.st_mode & S_IWUSR;
    if (inGroup(file.st_gid))
        return file.st_mode & S_IWGRP;
    return file.st_mode & S_IWOTH;
}

bool sameFile(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

QByteArray temporaryNameFor(const QByteArray &name)
{
    QByteArray temporary = '.' + name + '.';
    for (qsizetype i = 0; i < kRandomLetters; ++i)
        temporary += kNameLetters[QRandomGenerator::global()->bounded(int(kNameLetters.size()))];
    return temporary;
}

bool writeAll(int fd, QByteArrayView bytes)
{
    const char *data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

// Removes the temporary files that writers killed before renaming them left in `folder`. A live
// writer holds the lock of its file, so its file is passed over.
void removeStaleTemporaries(int folder, const QByteArray &name)
{
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return;
    DIR *entries = ::fdopendir(listing);
    if (!entries) {
        ::close(listing);
        return;
    }
    while (const dirent *entry = ::readdir(entries)) {
        const QByteArray candidate(entry->d_name);
        if (!AtomicFile::isTemporaryNameFor(candidate, name))
            continue;
        const int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
        FileDescriptor file(::openat(folder, candidate.constData(), O_RDONLY | flags));
        if (!file.valid())
            file.reset(::openat(folder, candidate.constData(), O_WRONLY | flags));
        struct stat opened {};
        struct stat named {};
        if (!file.valid() || ::fstat(file.get(), &opened) != 0 || !S_ISREG(opened.st_mode)
            || opened.st_uid != ::geteuid() || ::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        if (::fstatat(folder, candidate.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(opened, named))
            ::unlinkat(folder, candidate.constData(), 0);
    }
    ::closedir(entries);
}

// A file being written, locked for as long as it is open; `name` is empty while it has none.
struct Temporary {
    FileDescriptor file;
    QByteArray name;
};

std::optional<Temporary> createUnnamed(int folder)
{
    FileDescriptor file(::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (!file.valid() || ::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
        return std::nullopt;
    return Temporary{std::move(file), {}};
}

std::optional<Temporary> createNamed(int folder, const QByteArray &name)
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QByteArray temporary = temporaryNameFor(name);
        FileDescriptor file(
            ::openat(folder, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file.valid()) {
            if (errno == EEXIST)
                continue;
            return std::nullopt;
        }
        // Between the creation and the lock another save may have taken the file for a stale one.
        struct stat opened {};
        struct stat named {};
        if (::flock(file.get(), LOCK_EX | LOCK_NB) == 0 && ::fstat(file.get(), &opened) == 0
            && ::fstatat(folder, temporary.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(opened, named))
            return Temporary{std::move(file), temporary};
    }
    errno = EEXIST;
    return std::nullopt;
}

// Gives the unnamed file a temporary name. Linking by descriptor needs CAP_DAC_READ_SEARCH on
// kernels before 6.10; /proc/self/fd serves everyone else where /proc is mounted.
bool nameUnnamed(Temporary &temporary, int folder, const QByteArray &name)
{
    const QByteArray viaProc = "/proc/self/fd/" + QByteArray::number(temporary.file.get());
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QByteArray candidate = temporaryNameFor(name);
        if (::linkat(temporary.file.get(), "", folder, candidate.constData(), AT_EMPTY_PATH) == 0
            || (errno != EEXIST
                && ::linkat(AT_FDCWD, viaProc.constData(), folder, candidate.constData(), AT_SYMLINK_FOLLOW) == 0)) {
            temporary.name = candidate;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    errno = EEXIST;
    return false;
}

} // namespace

bool AtomicFile::isTemporaryNameFor(const QByteArray &candidate, const QByteArray &name)
{
    if (candidate.size() != name.size() + 2 + kRandomLetters || !candidate.startsWith('.' + name + '.'))
        return false;
    for (const char letter : candidate.last(kRandomLetters)) {
        if (!kNameLetters.contains(letter))
            return false;
    }
    return true;
}

void AtomicFile::useUnnamedFiles(bool use) { unnamedFilesUsed = use; }

bool AtomicFile::replace(const FileTarget &target, QByteArrayView bytes, QString *error)
{
    const FileSizeSignalIgnored fileSizeSignalIgnored;
    const QString shown = target.path();
    const int folder = target.folder();
    const QByteArray &name = target.name();

    struct stat old {};
    const bool exists = ::fstatat(folder, name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && errno != ENOENT)
        return fail(error, shown, "looking at the file", errno);
    if (exists) {
        if (S_ISLNK(old.st_mode))
            return refuse(error, QStringLiteral("%1 became a symbolic link while it was saved").arg(shown));
        if (S_ISDIR(old.st_mode))
            return refuse(error, QStringLiteral("%1 is a folder").arg(shown));
        if (!S_ISREG(old.st_mode))
            return refuse(error, QStringLiteral("%1 is not a regular file").arg(shown));
        if (!userMayWrite(old))
            return refuse(error, QStringLiteral("%1 is read-only: its permission bits do not let this user write it")
                                     .arg(shown));
    }
    removeStaleTemporaries(folder, name);
    const mode_t mode = exists ? (old.st_mode & 07777) : (kNewFileMode & ~currentUmask());

    bool unnamed = unnamedFilesUsed;
    for (;;) {
        std::optional<Temporary> temporary = unnamed ? createUnnamed(folder) : std::nullopt;
        if (!temporary) {
            unnamed = false;
            temporary = createNamed(folder, name);
        }
        if (!temporary)
            return fail(error, shown, "creating a temporary file", errno);
        const int file = temporary->file.get();
        // The new file keeps the old one's owner and group where the user may give them.
        if (exists && ::fchown(file, old.st_uid, old.st_gid) != 0)
            (void)::fchown(file, uid_t(-1), old.st_gid);
        const char *step = nullptr;
        if (::fchmod(file, mode) != 0)
            step = "setting permissions";
        else if (!writeAll(file, bytes))
            step = "writing";
        else if (::fsync(file) != 0)
            step = "flushing";
        else if (unnamed && !nameUnnamed(*temporary, folder, name)) {
            // No way to name it here: the bytes go into a named temporary instead, which reports
            // any failure that is not about naming.
            unnamed = false;
            continue;
        } else if (::renameat(folder, temporary->name.constData(), folder, name.constData()) != 0)
            step = "renaming";
        if (step) {
            const int code = errno;
            if (!temporary->name.isEmpty())
                ::unlinkat(folder, temporary->name.constData(), 0);
            return fail(error, shown, step, code);
        }
        break;
    }
    // After the rename the folder entry itself must reach the disk for the new file to survive a crash.
    const FileDescriptor listing(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (listing.valid())
        ::fsync(listing.get());
    return true;
}
