// Replaces a file's contents all at once: readers see either the old file or the whole new one.
#pragma once

#include <QByteArrayView>
#include <QString>

class AtomicFile
{
public:
    // Writes `bytes` to a new temporary file in the folder of `path` (of its target when `path` is a
    // symbolic link), checks that every byte was written, flushes it to the disk and renames it over
    // the old file, whose permission bits it takes. On any failure (folder not writable, disk full,
    // short write) the temporary file is removed, the old file is left byte for byte, and false is
    // returned with the reason in `error`.
    static bool replace(const QString &path, QByteArrayView bytes, QString *error = nullptr);
};
