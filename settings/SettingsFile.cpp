// Reading and writing the settings file; see SettingsFile.h.
#include "settings/SettingsFile.h"

#include "files/FileTarget.h"
#include "files/RegularFile.h"
#include "settings/DecimalText.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsLocation.h"

#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// A value is a C string to the programs that share this file format, so it ends at a NUL byte.
QByteArray valueBytes(const IniFile &file, const QString &section, const QString &key)
{
    const std::optional<QByteArray> value = file.value(section, key);
    if (!value)
        return {};
    const qsizetype nul = value->indexOf('\0');
    return nul < 0 ? *value : value->first(nul);
}

// A value as UTF-8 text. A leading U+FEFF is kept, not dropped as a byte-order mark, so that it
// makes a number's text no number, as any other stray character does.
QString valueText(const IniFile &file, const QString &section, const QString &key)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return utf8(valueBytes(file, section, key));
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

void readPictureFile(const FileName &name, Settings &settings)
{
    if (!name.isEmpty() && RegularFile::isReadable(name)) {
        settings.pictureFile = name;
        return;
    }
    // Only the picture-file choice falls back to the desktop; other numbers stay as read.
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

// Writes keys of one section, values as bytes, in one atomic replacement of the file that `path`
// leads to.
bool writeBytes(const QString &section, const QList<std::pair<QString, QByteArray>> &values, const FileName &path,
                QString *error)
{
    const std::optional<FileTarget> target = FileTarget::resolve(path, error);
    if (!target)
        return false;
    // A file that exists but cannot be read is not replaced: its other lines would be lost.
    std::optional<IniFile> file = IniFile::load(*target, error);
    if (!file)
        return false;
    for (const auto &[key, value] : values) {
        if (!file->set(section, key, value, error))
            return false;
    }
    return file->save(*target, error);
}

} // namespace

Settings SettingsFile::load(const FileName &path)
{
    // One reading of the file serves all three keys; an unreadable file reads as an empty one.
    const IniFile file = IniFile::load(path).value_or(IniFile());
    Settings settings;
    readTextureSource(valueText(file, SettingsKeys::Section, SettingsKeys::TextureSource), settings);
    readPictureFile(FileName(valueBytes(file, SettingsKeys::Section, SettingsKeys::PictureFile)), settings);
    readSpeed(valueText(file, SettingsKeys::Section, SettingsKeys::Speed), settings);
    return settings;
}

bool SettingsFile::save(const Settings &settings, const FileName &path, QString *error)
{
    const double speed = std::floor(double(settings.speed));
    const int wholeSpeed = std::isfinite(speed) ? int(std::clamp(speed, double(std::numeric_limits<int>::min()),
                                                                 double(std::numeric_limits<int>::max())))
                                                : 0;
    // A user's configuration folder may not exist before the first save.
    if (!SettingsLocation::makeFolderFor(path)) {
        if (error)
            *error = QStringLiteral("cannot make the folder %1").arg(path.folder().toDisplayString());
        return false;
    }
    return writeBytes(SettingsKeys::Section,
                      {{SettingsKeys::TextureSource, numberText(settings.textureSource).toUtf8()},
                       {SettingsKeys::PictureFile, settings.pictureFile.bytes()},
                       {SettingsKeys::Speed, numberText(wholeSpeed).toUtf8()}},
                      path, error);
}

QString SettingsFile::readValue(const QString &section, const QString &key, const QString &path)
{
    const std::optional<IniFile> file = IniFile::load(FileName::fromText(path));
    return file ? valueText(*file, section, key) : QString();
}

bool SettingsFile::writeValues(const QString &section, const QList<std::pair<QString, QString>> &values,
                               const QString &path, QString *error)
{
    QList<std::pair<QString, QByteArray>> bytes;
    bytes.reserve(values.size());
    for (const auto &[key, value] : values)
        bytes.append({key, value.toUtf8()});
    return writeBytes(section, bytes, FileName::fromText(path), error);
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
