// The settings file's format: sections, key=value lines and everything else, kept line by line.
#include "settings/IniFile.h"

#include "settings/Blanks.h"
#include "settings/ShiftJisCodec.h"

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr QByteArrayView kLineEnd = "\r\n";

QByteArrayView trimBlanks(QByteArrayView text) { return Blanks::trimmed(text); }

// A value enclosed in a matching pair of single or double quotes reads without them.
QByteArrayView unquote(QByteArrayView value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

bool holdsLineBreakOrNul(QByteArrayView text)
{
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

// The Shift-JIS bytes of a section or key name this writer can put into the file, or nothing.
std::optional<QByteArray> writableName(QStringView name, bool isSection, QString *error)
{
    const QString what = isSection ? QStringLiteral("section name") : QStringLiteral("key name");
    const std::optional<QByteArray> bytes = ShiftJisCodec::encode(name);
    if (!bytes) {
        fail(error, QStringLiteral("the %1 \"%2\" has no Shift-JIS form").arg(what, name.toString()));
        return std::nullopt;
    }
    const QByteArrayView trimmed = trimBlanks(*bytes);
    const bool structural = isSection ? bytes->contains(']')
                                      : (bytes->contains('=') || bytes->startsWith('[') || bytes->startsWith(';'));
    if (trimmed.isEmpty() || trimmed.size() != bytes->size() || structural || holdsLineBreakOrNul(*bytes)) {
        fail(error, QStringLiteral("the %1 \"%2\" cannot be stored in the settings file").arg(what, name.toString()));
        return std::nullopt;
    }
    return bytes;
}

} // namespace

IniFile::Line IniFile::classify(QByteArrayView text)
{
    const QByteArrayView trimmed = trimBlanks(text);
    if (trimmed.startsWith('[')) {
        // A header without its closing bracket still ends the section before it, but matches nothing.
        const qsizetype close = trimmed.indexOf(']');
        if (close < 0)
            return {LineKind::Section, QByteArray()};
        return {LineKind::Section, trimBlanks(trimmed.sliced(1, close - 1)).toByteArray()};
    }
    if (trimmed.startsWith(';'))
        return {LineKind::Comment, {}};
    const qsizetype equals = trimmed.indexOf('=');
    if (equals < 0)
        return {LineKind::Other, {}};
    return {LineKind::Key, trimBlanks(trimmed.first(equals)).toByteArray()};
}

IniFile IniFile::parse(QByteArrayView bytes)
{
    IniFile file;
    if (bytes.startsWith(kUtf8Bom)) {
        file.bom_ = true;
        bytes = bytes.sliced(3);
    }
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        if (end < 0)
            end = bytes.size();
        if (end > start && bytes[end - 1] == '\r')
            --end;
        const QByteArrayView text = bytes.sliced(start, end - start);
        file.texts_.append(text.toByteArray());
        file.lines_.append(classify(text));
        start = next;
    }
    return file;
}

bool IniFile::nameMatches(const QByteArray &stored, QStringView wanted) const
{
    const std::optional<QString> text = ShiftJisCodec::decode(stored);
    return text && QStringView(*text).compare(wanted, Qt::CaseInsensitive) == 0;
}

qsizetype IniFile::findKey(QStringView section, QStringView key) const
{
    // Names equal but for case have the same Shift-JIS length (every case pair there is of one
    // width), so lines of any other length are passed over without decoding them.
    const std::optional<QByteArray> sectionBytes = ShiftJisCodec::encode(section);
    const std::optional<QByteArray> keyBytes = ShiftJisCodec::encode(key);
    if (!sectionBytes || !keyBytes || sectionBytes->isEmpty() || keyBytes->isEmpty())
        return -1;
    bool inSection = false;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const Line &line = lines_[i];
        if (line.kind == LineKind::Section)
            inSection = line.name.size() == sectionBytes->size() && !line.name.isEmpty()
                && nameMatches(line.name, section);
        else if (inSection && line.kind == LineKind::Key && line.name.size() == keyBytes->size()
                 && nameMatches(line.name, key))
            return i;
    }
    return -1;
}

qsizetype IniFile::insertionPoint(QStringView section) const
{
    const std::optional<QByteArray> sectionBytes = ShiftJisCodec::encode(section);
    if (!sectionBytes)
        return -1;
    qsizetype i = 0;
    while (i < lines_.size()
           && !(lines_[i].kind == LineKind::Section && !lines_[i].name.isEmpty()
                && lines_[i].name.size() == sectionBytes->size() && nameMatches(lines_[i].name, section)))
        ++i;
    if (i == lines_.size())
        return -1;
    qsizetype after = i + 1;
    for (qsizetype j = i + 1; j < lines_.size() && lines_[j].kind != LineKind::Section; ++j) {
        if (!trimBlanks(texts_[j]).isEmpty())
            after = j + 1;
    }
    return after;
}

std::optional<QByteArray> IniFile::value(QStringView section, QStringView key) const
{
    const qsizetype index = findKey(section, key);
    if (index < 0)
        return std::nullopt;
    const QByteArrayView text = texts_[index];
    return unquote(trimBlanks(text.sliced(text.indexOf('=') + 1))).toByteArray();
}

void IniFile::insertLine(qsizetype at, QByteArray text)
{
    lines_.insert(at, classify(text));
    texts_.insert(at, std::move(text));
}

bool IniFile::set(QStringView section, QStringView key, QByteArrayView value, QString *error)
{
    const std::optional<QByteArray> sectionBytes = writableName(section, true, error);
    if (!sectionBytes)
        return false;
    const std::optional<QByteArray> keyBytes = writableName(key, false, error);
    if (!keyBytes)
        return false;
    if (holdsLineBreakOrNul(value))
        return fail(error, QStringLiteral("the value of \"%1\" holds a line break or NUL").arg(key.toString()));

    const qsizetype existing = findKey(section, key);
    if (existing >= 0) {
        // Keep the file's own spelling of the key; only the value changes.
        QByteArray text = lines_[existing].name + '=' + value.toByteArray();
        lines_[existing] = classify(text);
        texts_[existing] = std::move(text);
        return true;
    }
    qsizetype at = insertionPoint(section);
    if (at < 0) {
        at = lines_.size();
        insertLine(at++, '[' + *sectionBytes + ']');
    }
    insertLine(at, *keyBytes + '=' + value.toByteArray());
    return true;
}

QByteArray IniFile::toBytes() const
{
    QByteArray bytes;
    qsizetype size = bom_ ? 3 : 0;
    for (const QByteArray &text : texts_)
        size += text.size() + kLineEnd.size();
    bytes.reserve(size);
    if (bom_)
        bytes.append(kUtf8Bom);
    for (const QByteArray &text : texts_) {
        bytes.append(text);
        bytes.append(kLineEnd);
    }
    return bytes;
}
