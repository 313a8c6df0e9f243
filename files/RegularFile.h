// Opening a file for reading in one step: never blocks, and what is checked is what is read.
#pragma once

#include "files/FileDescriptor.h"
#include "files/FileName.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <memory>
#include <optional>
#include <sys/stat.h>

// A file is opened once, non-blocking and closed on exec, and then checked on the open descriptor:
// no one can swap it for a pipe or a device between a check and the read. A named pipe without a
// writer, a device or a folder opens without waiting and is refused as not regular.
class RegularFile
{
public:
    struct Opened {
        FileDescriptor descriptor; // open for reading; valid only when the file is a regular one
        struct stat status {};     // the file's status; filled whenever the open itself succeeded
        int error = 0;             // errno of the failed open, 0 when it opened
        bool isRegular() const { return descriptor.valid(); }
        bool exists() const { return error != ENOENT; }
    };

    // Opens `name` relative to the folder descriptor `folder` (AT_FDCWD for the working folder; an
    // absolute name ignores it). With `followLinks` false a link in the last place is not opened
    // (error ELOOP).
    static Opened open(int folder, const QByteArray &name, bool followLinks);

    // True when `name` (without one trailing '/') opens for reading, links followed, and is a
    // regular file: a folder, a missing or unreadable file, an empty name, a device or a pipe give
    // false.
    static bool isReadable(const FileName &name);

    // The regular file that `name` names, links followed, opened as above and handed to a QFile on
    // that very descriptor (for QImageReader and the like); null when it is missing, unreadable or
    // not a regular file.
    static std::unique_ptr<QFile> openForReading(const FileName &name);

    // Reads `descriptor` from its position to the end; nothing when reading fails (errno set) or
    // the file holds more than `maxBytes` from there (errno EFBIG).
    static std::optional<QByteArray> readAll(int descriptor, qint64 maxBytes);
};
