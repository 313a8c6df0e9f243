// Reading and writing the settings file; see SettingsFile.h.
#include "settings/SettingsFile.h"

#include "files/AtomicFile.h"
#include "files/FileTarget.h"
#include "files/RegularFile.h"
#include "settings/DecimalText.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsLocation.h"

#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace {

constexpr char kUtf16LittleEndianBom[] = "\xFF\xFE";
constexpr char kUtf16BigEndianBom[] = "\xFE\xFF";

std::nullopt_t fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return std::nullopt;
}

// The file that `target` names, opened once, non-blocking, without following a link that has
// appeared since it was resolved, and checked and read on that descriptor. A missing file (or a
// link to one) reads as an empty file. Nothing, with the reason in `error`, when it cannot be read
// (a folder, a pipe or device, no permission, too large) or starts with a UTF-16 byte-order mark:
// this program reads and writes only byte-oriented files, so such a file holds none of its keys
// and is never rewritten.
std::optional<IniFile> readFile(const FileTarget &target, QString *error)
{
    const QString shown = target.path();
    const RegularFile::Opened opened = RegularFile::open(target.folder(), target.name(), false);
    if (!opened.exists()) // a link to a missing file counts as missing too; writing creates its target
        return IniFile();
    if (opened.error == ELOOP)
        return fail(error, QStringLiteral("%1 became a symbolic link while it was read").arg(shown));
    if (opened.error != 0)
        return fail(error,
                    QStringLiteral("cannot read %1: %2").arg(shown, QString::fromLocal8Bit(std::strerror(opened.error))));
    if (S_ISDIR(opened.status.st_mode))
        return fail(error, QStringLiteral("%1 is a folder").arg(shown));
    // A pipe or device would block the reader or never end.
    if (!opened.isRegular())
        return fail(error, QStringLiteral("%1 is not a regular file").arg(shown));
    if (opened.status.st_size > SettingsFile::MaxFileBytes)
        return fail(error, QStringLiteral("%1 is larger than %2 bytes").arg(shown).arg(SettingsFile::MaxFileBytes));
    const std::optional<QByteArray> bytes = RegularFile::readAll(opened.descriptor.get(), SettingsFile::MaxFileBytes);
    if (!bytes)
        return fail(error, QStringLiteral("cannot read %1: %2").arg(shown, QString::fromLocal8Bit(std::strerror(errno))));
    if (bytes->startsWith(kUtf16LittleEndianBom) || bytes->startsWith(kUtf16BigEndianBom))
        return fail(error, QStringLiteral("%1 is in a form this program does not write (UTF-16 text); it is left as it is")
                               .arg(shown));
    return IniFile::parse(*bytes);
}

// The file at `path`, reached as FileTarget allows, read as above. A missing folder holds no file
// either, so it reads as an empty file; a path that cannot be followed (another user's link) gives
// nothing.
std::optional<IniFile> readFile(const FileName &path)
{
    int code = 0;
    const std::optional<FileTarget> target = FileTarget::resolve(path, nullptr, &code);
    if (!target)
        return code == ENOENT ? std::optional<IniFile>(IniFile()) : std::nullopt; // writing makes the folder
    return readFile(*target, nullptr);
}

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
bool writeValues(const QString &section, const QList<std::pair<QString, QByteArray>> &values, const FileName &path,
                 QString *error)
{
    const std::optional<FileTarget> target = FileTarget::resolve(path, error);
    // Anyone who may write in the folder could swap the file: such a folder is read, never written.
    if (!target || !target->folderIsTrusted(error))
        return false;
    // A file that exists but cannot be read is not replaced: its other lines would be lost.
    std::optional<IniFile> file = readFile(*target, error);
    if (!file)
        return false;
    for (const auto &[key, value] : values) {
        if (!file->set(section, key, value, error))
            return false;
    }
    return AtomicFile::replace(*target, file->toBytes(), error);
}

} // namespace

Settings SettingsFile::load(const FileName &path)
{
    // One reading of the file serves all three keys; an unreadable file reads as an empty one.
    const IniFile file = readFile(path).value_or(IniFile());
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
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("no home folder is known (HOME is not set and the password database names "
                                    "none for this user), so the settings have no folder to be saved in");
        return false;
    }
    // A user's configuration folder may not exist before the first save.
    if (!SettingsLocation::makeFolderFor(path, error))
        return false;
    return writeValues(SettingsKeys::Section,
                       {{SettingsKeys::TextureSource, numberText(settings.textureSource).toUtf8()},
                        {SettingsKeys::PictureFile, settings.pictureFile.bytes()},
                        {SettingsKeys::Speed, numberText(wholeSpeed).toUtf8()}},
                       path, error);
}

QString SettingsFile::numberText(int value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}
