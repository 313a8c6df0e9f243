// Replaces a file's contents all at once: readers see either the old file or the whole new one.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class FileTarget;

// The new bytes are written into a file that has no name (O_TMPFILE) where the file system offers
// one, so a process killed while writing leaves nothing behind; only after every byte has reached
// the disk is the file given a temporary name, ".<name>.XXXXXX" in the target's folder, and renamed
// over the target at once. Where unnamed files are not offered, the temporary name is used from the
// start. A temporary file is locked (flock) while its writer lives, so the next replacement in the
// folder can tell and remove the ones that killed writers left: only those of this name pattern,
// belonging to the running user, that no live process holds.
//
// SIGXFSZ is ignored while a replacement runs (and its disposition restored after), so a file-size
// limit is a reported failure instead of the end of the process.
class AtomicFile
{
public:
    // Replaces `target` with `bytes`. A file already there keeps its permission bits and, where
    // the user may give them, its owner and group. It is not replaced, and false is returned with
    // the reason in `error`, when it is not a regular file, has become a link since `target` was
    // resolved, or its permission bits do not let the running user write it. The bits decide for
    // root too: the class that applies to the user (owner, else a group the user is in, else
    // others) must have the write bit, so root does not silently take over another user's
    // read-only or private file. On any failure (folder not writable, disk full, file-size limit,
    // short write) the old file is left byte for byte, no temporary file stays behind, and false
    // is returned with the reason in `error`.
    static bool replace(const FileTarget &target, QByteArrayView bytes, QString *error = nullptr);

    // The temporary names used for `name`: a dot, the name, a dot and six letters or digits.
    static bool isTemporaryNameFor(const QByteArray &candidate, const QByteArray &name);

    // On (the default): unnamed files where the file system offers them. Off: a named temporary
    // from the start, as on file systems without them; tests use it to reach that way.
    static void useUnnamedFiles(bool use);
};
