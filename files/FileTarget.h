// The file a path names, reached only through symbolic links that the running user may trust.
#pragma once

#include "files/FileDescriptor.h"
#include "files/FileName.h"

#include <QByteArray>
#include <QString>

#include <optional>

// A path is followed one name at a time. Every symbolic link met on the way, whether it is the
// file's own name, one of its folders or a name inside a link's target, must belong to the
// running user or to root, and at most MaxLinks of them are followed; a link of any other user is
// neither followed nor read through, so nobody else can redirect a read or a write. The result
// holds the final folder open: later renames of the folders above cannot move the file elsewhere.
// Whether that folder is safe to write in is a separate question (folderIsTrusted), so that reading
// may still go where writing may not.
class FileTarget
{
public:
    static constexpr int MaxLinks = 40;

    // The folder and name that `path` finally names. The name need not exist (a link may point to
    // a file not yet made; that file is made in the link's folder). Nothing when a folder on the
    // way is missing or not a folder, a link belongs to another user, there are too many links,
    // the path ends in a folder name ("/", "." or ".."), or it is empty or holds a NUL byte:
    // `error` then says why, naming the path, and `errorCode` gets the errno value that fits
    // (ENOENT for a missing folder, EPERM for another user's link).
    static std::optional<FileTarget> resolve(const FileName &path, QString *error = nullptr,
                                             int *errorCode = nullptr);

    // The final folder, open for use as the folder argument of the *at() calls (O_PATH).
    int folder() const { return folder_.get(); }
    // The file's name in that folder: never empty, never "." or "..", no '/'.
    const QByteArray &name() const { return name_; }
    // The file's path as reached, for messages.
    QString path() const;

    // True when the final folder is safe to write the file in (see isTrustedFolder), checked on the
    // folder held open: the folder checked is the one written in. Otherwise false, with `error`
    // naming the folder.
    bool folderIsTrusted(QString *error = nullptr) const;
    // True when the open folder `folder` belongs to the running user or to root, as a trusted link
    // does, and neither its group nor others may write in it, unless its sticky bit is set (as on
    // /tmp: then nobody may rename or remove another user's entries). Anyone else could otherwise
    // swap the file written there. `folderName` names the folder in `error`.
    static bool isTrustedFolder(int folder, const QString &folderName, QString *error = nullptr);

private:
    FileTarget(FileDescriptor folder, QByteArray folderPath, QByteArray name);

    FileDescriptor folder_;
    QByteArray folderPath_;
    QByteArray name_;
};
