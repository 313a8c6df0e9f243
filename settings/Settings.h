// The program's settings as one value: the wall's texture source, the picture, the rotation speed.
#pragma once

#include <QString>
#include <QtGlobal>

// What the saver draws with and what the settings dialog edits. Read from the settings file by
// SettingsFile::load and written back by SettingsFile::save; nothing else keeps settings.
struct Settings {
    // Texture sources as stored. Other numbers can be read from a file; the saver treats every value
    // but Desktop as the picture file, the dialog marks neither choice for them.
    static constexpr qint16 Desktop = 0;
    static constexpr qint16 Picture = 1;
    // The speed when the file names none: the per-frame phase step is a tenth of the stored speed.
    static constexpr float DefaultSpeed = 20.0f;
    static constexpr float SpeedDivisor = 10.0f;

    qint16 textureSource = Desktop;
    // The picture's path: the bytes stored in the settings file as FilePath::decodeName gives them,
    // so that FilePath::encodeName gives back the same bytes even for a name that is not valid
    // UTF-8. Empty when none is set or it does not open.
    QString pictureFile;
    float speed = 0.0f; // as stored: 1 to 100 when written by the dialog

    // The animation phase advances by this much every frame.
    float phaseStep() const { return speed / SpeedDivisor; }
};
