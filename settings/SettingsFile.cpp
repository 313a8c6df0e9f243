// Reading and writing the settings file; see SettingsFile.h.
#include "settings/SettingsFile.h"

#include "settings/DecimalText.h"
#include "settings/FilePath.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsLocation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// Values are stored as the bytes of the text in UTF-8, the encoding of file names here. A value is
// a C string to the programs that share this file format, so it ends at a NUL byte.
QString valueText(const IniFile &file, const QString &section, const QString &key)
{
    const std::optional<QByteArray> value = file.value(section, key);
    if (!value)
        return {};
    const qsizetype nul = value->indexOf('\0');
    return QString::fromUtf8(nul < 0 ? *value : value->first(nul));
}

std::optional<double> wholeNumberBelow(const QString &text)
{
    const std::optional<double> value = DecimalText::parse(text);
    if (!value)
        return std::nullopt;
    return std::floor(*value);
}

void readTextureSource(const QString &text, Settings &settings)
{
    if (text.isEmpty()) {
        settings.textureSource = Settings::Desktop;
        return;
    }
    const std::optional<double> value = wholeNumberBelow(text);
    if (value && *value >= std::numeric_limits<qint16>::min() && *value <= std::numeric_limits<qint16>::max())
        settings.textureSource = qint16(*value);
}

void readPictureFile(const QString &text, Settings &settings)
{
    settings.pictureFile = text;
    if (!text.isEmpty() && FilePath::isReadableFile(text)) {
        settings.pictureFolder = FilePath::folderOf(text);
        return;
    }
    // Only the picture-file choice falls back to the desktop; other numbers stay as read.
    settings.pictureFile.clear();
    if (settings.textureSource == Settings::Picture)
        settings.textureSource = Settings::Desktop;
}

void readSpeed(const QString &text, Settings &settings)
{
    if (text.isEmpty()) {
        settings.speed = Settings::DefaultSpeed;
        return;
    }
    const std::optional<double> value = wholeNumberBelow(text);
    if (value && std::isfinite(float(*value)))
        settings.speed = float(*value);
}

} // namespace

Settings SettingsFile::load(const QString &path, const QString &programFolder)
{
    // One reading of the file serves all three keys; an unreadable file reads as an empty one.
    const IniFile file = IniFile::load(path).value_or(IniFile());
    Settings settings;
    readTextureSource(valueText(file, SettingsKeys::Section, SettingsKeys::TextureSource), settings);
    settings.pictureFolder = programFolder;
    readPictureFile(valueText(file, SettingsKeys::Section, SettingsKeys::PictureFile), settings);
    readSpeed(valueText(file, SettingsKeys::Section, SettingsKeys::Speed), settings);
    return settings;
}

bool SettingsFile::save(const Settings &settings, const QString &path, QString *error)
{
    const double speed = std::floor(double(settings.speed));
    const int wholeSpeed = std::isfinite(speed) ? int(std::clamp(speed, double(std::numeric_limits<int>::min()),
                                                                 double(std::numeric_limits<int>::max())))
                                                : 0;
    // A user's configuration folder may not exist before the first save.
    if (!SettingsLocation::makeFolderFor(path)) {
        if (error)
            *error = QStringLiteral("cannot make the folder %1").arg(FilePath::folderOf(path));
        return false;
    }
    return writeValues(SettingsKeys::Section,
                       {{SettingsKeys::TextureSource, numberText(settings.textureSource)},
                        {SettingsKeys::PictureFile, settings.pictureFile},
                        {SettingsKeys::Speed, numberText(wholeSpeed)}},
                       path, error);
}

QString SettingsFile::readValue(const QString &section, const QString &key, const QString &path)
{
    const std::optional<IniFile> file = IniFile::load(path);
    return file ? valueText(*file, section, key) : QString();
}

bool SettingsFile::writeValues(const QString &section, const QList<std::pair<QString, QString>> &values,
                               const QString &path, QString *error)
{
    // A file that exists but cannot be read is not replaced: its other lines would be lost.
    std::optional<IniFile> file = IniFile::load(path, error);
    if (!file)
        return false;
    for (const auto &[key, value] : values) {
        if (!file->set(section, key, value.toUtf8(), error))
            return false;
    }
    return file->save(path, error);
}

bool SettingsFile::writeValue(const QString &section, const QString &key, const QString &value,
                              const QString &path, QString *error)
{
    return writeValues(section, {{key, value}}, path, error);
}

QString SettingsFile::numberText(int value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}
