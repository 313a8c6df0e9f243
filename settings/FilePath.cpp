// Questions about file paths; see FilePath.h.
#include "settings/FilePath.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool FilePath::isReadableFile(const QString &path)
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

QString FilePath::folderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash);
}
