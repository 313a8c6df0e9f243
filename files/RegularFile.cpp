// Opening a file for reading in one step; see RegularFile.h.
#include "files/RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

RegularFile::Opened RegularFile::open(int folder, const QByteArray &name, bool followLinks)
{
    Opened opened;
    if (name.isEmpty() || name.contains('\0')) {
        opened.error = ENOENT;
        return opened;
    }
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW);
    FileDescriptor descriptor(::openat(folder, name.constData(), flags));
    if (!descriptor.valid()) {
        opened.error = errno;
        return opened;
    }
    if (::fstat(descriptor.get(), &opened.status) != 0) {
        opened.error = errno;
        return opened;
    }
    if (S_ISREG(opened.status.st_mode))
        opened.descriptor = std::move(descriptor);
    return opened;
}

bool RegularFile::isReadable(const FileName &name)
{
    QByteArray path = name.bytes();
    if (path.endsWith('/'))
        path.chop(1);
    return open(AT_FDCWD, path, true).isRegular();
}

std::unique_ptr<QFile> RegularFile::openForReading(const FileName &name)
{
    Opened opened = open(AT_FDCWD, name.bytes(), true);
    if (!opened.isRegular())
        return nullptr;
    auto file = std::make_unique<QFile>();
    const int descriptor = opened.descriptor.get();
    if (!file->open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return nullptr; // the descriptor is still owned, and closed, by `opened`
    opened.descriptor.release();
    return file;
}

std::optional<QByteArray> RegularFile::readAll(int descriptor, qint64 maxBytes)
{
    QByteArray bytes;
    struct stat status {};
    // The size is only a first guess: the file may grow or shrink while it is read.
    if (::fstat(descriptor, &status) == 0 && status.st_size > 0 && status.st_size <= maxBytes)
        bytes.reserve(qsizetype(status.st_size) + 1);
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(descriptor, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            return bytes;
        if (bytes.size() + got > maxBytes) {
            errno = EFBIG;
            return std::nullopt;
        }
        bytes.append(chunk, got);
    }
}
