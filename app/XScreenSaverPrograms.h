// The saver's entry in XScreenSaver's list of savers: found, added and taken out in the bytes of ~/.xscreensaver.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// ~/.xscreensaver is read by XScreenSaver one logical line at a time: a line whose last byte
// before the line feed is a backslash goes on in the next line; a logical line that starts with
// '#', '!' or ';' is a comment; every other one is "name: value". The list of savers is the value
// of "programs:", one entry per "\n" escape: an optional '-' (switched off), an optional visual
// ("GL:"), an optional quoted name and the command. The entry added here is
//     GL: helixcavern --root
// in the columns xscreensaver-settings writes, after the last entry, so that the index stored in
// "selected:" still names the same saver.
//
// These functions change nothing but the bytes that hold the entry: every other line, comment and
// blank stays as it was. The only bytes of an existing line they touch are the continuation
// backslash (and, where it is missing, the "\n" separator) at the end of the list's last entry,
// which the new entry needs after it.
class XScreenSaverPrograms
{
public:
    enum class Outcome {
        Changed,       // `bytes` is the new file
        AlreadyListed, // nothing to add: the list has an entry that runs helixcavern
        NotListed,     // nothing to take out
        Unreadable,    // the file is not in XScreenSaver's format; `reason` says why
    };

    struct Result
    {
        Outcome outcome = Outcome::Unreadable;
        QByteArray bytes;         // Changed: the whole new file
        QString reason;           // Unreadable: one line, without the file's name
        bool switchedOff = false; // AlreadyListed: every helixcavern entry starts with '-'
    };

    // Adds the entry to the programs: list of the user's file.
    static Result add(QByteArrayView userFile);
    // Takes every entry that runs helixcavern (with any flags, visual or name) out of the list.
    static Result remove(QByteArrayView userFile);
    // A user file whose only setting is the system's list of savers: the "*programs:" resource of
    // XScreenSaver's app-defaults file, its lines as they are there (Changed), for a user who has
    // no ~/.xscreensaver yet. Unreadable when the file holds no such resource.
    static Result fromSystemDefaults(QByteArrayView appDefaults);
};
