// Where the settings file lives: beside a copied program, in the user's configuration folder for
// an installed one.
#pragma once

#include <QString>

class SettingsLocation
{
public:
    // The folder holding the running executable (found without the application object).
    static QString programFolder();
    // The settings file of this program for this user: filePathFor() with the program's folder,
    // $XDG_CONFIG_HOME and $HOME.
    static QString filePath();
    // The settings file for a program in `programFolder`: Helixcavern.ini in that folder when the
    // file is there or the user may create files there (a copied, portable program keeps its own
    // settings); otherwise Helixcavern.ini in the folder "helixcavern" of the user's configuration
    // folder: `configHome` when it is an absolute path (XDG_CONFIG_HOME), else `home`/.config.
    static QString filePathFor(const QString &programFolder, const QString &configHome, const QString &home);
    // Makes the folder that holds `filePath` (and the folders above it) when it is missing, readable
    // by its owner only, as configuration folders are. False when it is still missing afterwards.
    static bool makeFolderFor(const QString &filePath);
};
