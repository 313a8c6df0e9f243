// Two questions about file paths that the settings, the saver and the dialog all ask.
#pragma once

#include <QString>

class FilePath
{
public:
    // True when `path` (without one trailing '/') opens for reading and is a regular file: a folder,
    // a missing or unreadable file, an empty path, a device or a pipe give false. Never blocks.
    static bool isReadableFile(const QString &path);
    // The part of `path` before its last '/': "/pics/a.jpg" gives "/pics", "/a.jpg" and "a.jpg" give "".
    static QString folderOf(const QString &path);
};
