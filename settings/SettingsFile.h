// Reading and writing the settings file Helixcavern.ini.
#pragma once

#include "files/FileName.h"
#include "settings/Settings.h"

#include <QString>

// The file is an initialization file (see IniFile) with one section "Section" and three keys: the
// texture source, the picture file and the speed. Numbers are written with a blank in the sign
// position (" 20"); the picture file is its name's own bytes (see FileName), so that a name that
// is not UTF-8 comes back unchanged.
class SettingsFile
{
public:
    // Files larger than this are refused rather than read whole: no settings file comes near it.
    static constexpr qint64 MaxFileBytes = 64 * 1024 * 1024;

    // The settings in the file at `path`, read in this order: the texture source (0 when the key is
    // missing); the picture file, its bytes as stored (forgotten when they do not name a file that
    // opens as a regular file, and a source of 1 then falls back to 0); the speed (20 when
    // missing). A number is the whole value read as a decimal and rounded down; a value that is
    // not one, or a source outside the 16-bit range, leaves that setting at zero. The file is
    // reached as FileTarget allows and opened once, non-blocking, and checked and read on that
    // descriptor. A missing file (or a link to one, a missing folder, an empty `path`) reads as an
    // empty one, and so does a file that is refused: reached through another user's link, not a
    // regular file (a folder, a pipe, a device), unreadable, larger than MaxFileBytes, or starting
    // with a UTF-16 byte-order mark (this program reads and writes only byte-oriented files).
    static Settings load(const FileName &path);

    // Writes the source, the picture file's bytes unchanged and the speed (rounded down to a whole
    // number) into the file at `path` in one atomic replacement, keeping every other line; a
    // missing folder of the file is made first (a user's configuration folder on the first save).
    // The file replaced is the one `path` leads to through the user's own links (see FileTarget),
    // and only in a folder that FileTarget::folderIsTrusted passes (the user's or root's, and not
    // open to others' writes unless sticky), checked on the very folder written in. A file that
    // load refuses (its other lines would be lost), or that AtomicFile::replace may not replace
    // (read-only by its permission bits, not a regular file), is left alone. An empty `path`
    // (SettingsLocation knows no home folder) is refused and nothing is written. On failure the
    // file is left as it was, false is returned and `error` says why.
    static bool save(const Settings &settings, const FileName &path, QString *error = nullptr);

    // A number as the file stores it: a blank in the sign position for zero and positive numbers
    // (" 0", " 20", "-3").
    static QString numberText(int value);
};
