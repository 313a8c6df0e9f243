// Replaces a file's contents all at once: readers see either the old file or the whole new one.
//
// QSaveFile is not used: it commits a file cut short when a write stops part way (a full disk or a
// file-size limit gives a short write first and the error only on the next call).
#include "settings/AtomicFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kNewFileMode = 0666; // narrowed by the process's umask, like any newly created file

bool fail(QString *error, const QString &path, const char *step, int code)
{
    if (error)
        *error = QStringLiteral("cannot write %1: %2 failed: %3")
                     .arg(path, QLatin1String(step), QString::fromLocal8Bit(std::strerror(code)));
    return false;
}

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
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

// After the rename the folder entry itself must reach the disk for the new file to survive a crash.
void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool AtomicFile::replace(const QString &path, QByteArrayView bytes, QString *error)
{
    // Writing through a link keeps the link and changes the file it names.
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink())
        target = info.symLinkTarget();
    const QByteArray targetName = QFile::encodeName(target);
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    QByteArray temporary = folder + "/." + QFile::encodeName(QFileInfo(target).fileName()) + ".XXXXXX";

    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return fail(error, path, "creating a temporary file", errno);

    struct stat old {};
    const mode_t mode = ::stat(targetName.constData(), &old) == 0 ? (old.st_mode & 07777) : (kNewFileMode & ~currentUmask());
    const char *step = nullptr;
    if (::fchmod(fd, mode) != 0)
        step = "setting permissions";
    else if (!writeAll(fd, bytes))
        step = "writing";
    else if (::fsync(fd) != 0)
        step = "flushing";
    int code = step ? errno : 0;
    if (::close(fd) != 0 && !step) {
        step = "closing";
        code = errno;
    }
    if (!step && ::rename(temporary.constData(), targetName.constData()) != 0) {
        step = "renaming";
        code = errno;
    }
    if (step) {
        ::unlink(temporary.constData());
        return fail(error, path, step, code);
    }
    syncFolder(folder);
    return true;
}
