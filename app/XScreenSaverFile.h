// The user's ~/.xscreensaver: read, given the saver's entry or rid of it, and replaced atomically.
#pragma once

#include "files/FileName.h"

#include <QString>

// The file is read and written through the user's own links only (FileTarget): a link that
// another user owns is neither read through nor written through. It is replaced in one atomic
// step (AtomicFile) that keeps its permission bits, and never when they deny the user writing,
// when it is not a regular file, or when XScreenSaverPrograms cannot read it: then it is left
// byte for byte. A running XScreenSaver notices the new file by itself and reads it again.
class XScreenSaverFile
{
public:
    // What the caller prints and the status the program ends with.
    struct Outcome
    {
        int status = 0;      // 0 done or nothing to do, 1 the file was left as it was because of a fault
        QString message;     // one line without a line end
        bool isError = false; // print it on standard error (else on standard output)
    };

    // XScreenSaver's system-wide settings, whose *programs: list a new ~/.xscreensaver starts from.
    static constexpr const char *SystemDefaultsPath = "/etc/X11/app-defaults/XScreenSaver";

    // $HOME/.xscreensaver, or the same file in the home folder of the user's account when HOME is
    // unset or empty.
    static FileName userFilePath();

    // Adds the saver's entry to the list in the file at `path`. Where that file does not exist, it
    // is made from the *programs: list in the file at `systemDefaults`, so no other saver is lost.
    static Outcome add(const FileName &path, const FileName &systemDefaults = FileName(SystemDefaultsPath));
    // Takes every entry of the saver out of the list in the file at `path`.
    static Outcome remove(const FileName &path);
};
