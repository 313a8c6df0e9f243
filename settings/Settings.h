// The program's settings as one value: the wall's texture source, the picture, the rotation speed.
#pragma once

#include "files/FileName.h"

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
    // The picture's path as its own bytes, as the settings file stores them (or the command line
    // gives them); empty when none is set or, read from the file, it does not open.
    FileName pictureFile;
    float speed = 0.0f; // as stored: 1 to 100 when written by the dialog

    // The animation phase advances by this much every frame.
    float phaseStep() const { return speed / SpeedDivisor; }
};
