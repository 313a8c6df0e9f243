// Where the settings file lives: beside a copied program, in the user's configuration folder for
// an installed one.
#pragma once

#include "files/FileName.h"

#include <QByteArray>
#include <QString>

#include <sys/types.h>

class SettingsLocation
{
public:
    // Records the program's argv[0]; called first thing in main, before programFolder() is asked.
    static void setProgramPath(const QByteArray &argv0);
    // The folder holding the running executable, with its links resolved: from /proc/self/exe, or
    // where /proc is missing from the argv[0] given to setProgramPath (see folderOfProgram).
    // Empty when neither names it; never the root folder by default.
    static FileName programFolder();
    // The folder of the executable that `argv0` names: a name with a '/' is taken as it stands,
    // relative names from `workingFolder`; a bare name is looked up in the folders of `searchPath`
    // (as $PATH lists them; an empty entry is the working folder) like a shell does, the first
    // regular file with execute permission winning. Empty when nothing is found.
    static FileName folderOfProgram(const QByteArray &argv0, const QByteArray &searchPath, const QByteArray &workingFolder);
    // The settings file of this program for this user: filePathFor() with the program's folder,
    // $XDG_CONFIG_HOME and homeFolder().
    static FileName filePath();
    // The settings file for a program in `programFolder`: Helixcavern.ini in that folder when the
    // file is there or the user may create files there (a copied, portable program keeps its own
    // settings); otherwise, or when `programFolder` is empty (unknown), Helixcavern.ini in the
    // folder "helixcavern" of the user's configuration folder: `configHome` when it is an absolute
    // path (XDG_CONFIG_HOME), else `home`/.config. Empty when `home` is not an absolute path
    // either: there is then no place for the file, and never the root folder's .config.
    static FileName filePathFor(const FileName &programFolder, const QString &configHome, const QString &home);
    // True when `filePath` is the settings file beside the program's executable (filePathFor chose
    // it for a copied, portable program), false for an installed program's.
    static bool isBesideProgram(const FileName &filePath);
    // The running user's home folder: homeFolderFor() with $HOME and the real user id.
    static QString homeFolder();
    // `homeVariable` when it is an absolute path; otherwise (HOME unset, empty or relative) the home
    // folder that the password database gives `user` (getpwuid_r) when that is an absolute path.
    // Empty when neither names one.
    static QString homeFolderFor(const QString &homeVariable, uid_t user);
    // Makes the folder that holds `filePath` (and the folders above it) when it is missing, readable
    // by its owner only, as configuration folders are. Each folder made is checked as
    // FileTarget::isTrustedFolder checks the folder a file is written in, so a folder that someone
    // else put in its place in the meantime is not used. False, with `error` saying why, when a
    // folder cannot be made or is not trusted.
    static bool makeFolderFor(const FileName &filePath, QString *error = nullptr);
};
