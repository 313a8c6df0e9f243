// Questions about file paths that the settings, the saver and the dialog all ask, and the text form
// of a path that keeps every byte of it.
#pragma once

#include <QByteArray>
#include <QString>

class FilePath
{
public:
    // True when `path` (without one trailing '/') opens for reading and is a regular file: a folder,
    // a missing or unreadable file, an empty path, a device or a pipe give false. Never blocks.
    // The QString form names the file that encodeName(path) names.
    static bool isReadableFile(const QByteArray &path);
    static bool isReadableFile(const QString &path);
    // The part of `path` before its last '/': "/pics/a.jpg" gives "/pics", "/a.jpg" and "a.jpg" give "".
    static QString folderOf(const QString &path);
    static QByteArray folderOf(const QByteArray &path);

    // A file name is any bytes but NUL. decodeName reads them as UTF-8 and keeps each byte that is
    // not part of a well-formed UTF-8 sequence as the lone code unit U+DC80..U+DCFF ("surrogate
    // escape"); nothing is dropped or replaced (a leading U+FEFF included). encodeName turns such
    // text back into the very same bytes: encodeName(decodeName(bytes)) == bytes for all bytes.
    // Text without those escapes encodes as plain UTF-8, like QFile::encodeName.
    static QString decodeName(const QByteArray &bytes);
    static QByteArray encodeName(const QString &text);
    // `text` for showing: every escaped byte becomes U+FFFD, the replacement character.
    static QString displayName(const QString &text);
};
