// Names shared by everything that reads or writes the settings file or looks for a running instance.
#pragma once

#include <QString>

namespace SettingsKeys {
inline const QString FileName = QStringLiteral("Helixcavern.ini");
inline const QString Section = QStringLiteral("Section");
inline const QString TextureSource = QStringLiteral("画像");
inline const QString PictureFile = QStringLiteral("画像ﾌｧｲﾙ");
inline const QString Speed = QStringLiteral("回転速度");
} // namespace SettingsKeys
