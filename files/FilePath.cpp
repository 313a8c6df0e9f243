// Questions about file paths; see FilePath.h.
#include "files/FilePath.h"

#include "files/RegularFile.h"

#include <fcntl.h>

namespace {

constexpr char16_t kFirstEscape = 0xDC80;
constexpr char16_t kLastEscape = 0xDCFF;

bool isContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF)
{
    return byte >= low && byte <= high;
}

// The length of the well-formed UTF-8 sequence at `at` (Unicode's table 3-7), 0 when there is none.
int sequenceLength(const QByteArray &bytes, qsizetype at)
{
    const auto byte = [&bytes, at](qsizetype offset) {
        return at + offset < bytes.size() ? static_cast<unsigned char>(bytes[at + offset]) : 0;
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return isContinuation(byte(1)) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
        return isContinuation(byte(1), low, high) && isContinuation(byte(2)) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
        return isContinuation(byte(1), low, high) && isContinuation(byte(2)) && isContinuation(byte(3)) ? 4 : 0;
    }
    return 0;
}

bool isEscape(QChar c) { return c.unicode() >= kFirstEscape && c.unicode() <= kLastEscape; }

} // namespace

bool FilePath::isReadableFile(const QByteArray &path)
{
    QByteArray target = path;
    if (target.endsWith('/'))
        target.chop(1);
    // Non-blocking, so that a named pipe without a writer cannot hold the caller.
    return RegularFile::open(AT_FDCWD, target, true).isRegular();
}

bool FilePath::isReadableFile(const QString &path) { return isReadableFile(encodeName(path)); }

QString FilePath::folderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash);
}

QByteArray FilePath::folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray() : path.left(slash);
}

QString FilePath::decodeName(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        const int length = sequenceLength(bytes, at);
        const unsigned char lead = static_cast<unsigned char>(bytes[at]);
        if (length == 0) {
            text.append(QChar(char16_t(0xDC00 + lead)));
            ++at;
            continue;
        }
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (int i = 1; i < length; ++i)
            point = (point << 6) | (static_cast<unsigned char>(bytes[at + i]) & 0x3F);
        // Appended unit by unit: Qt's converters would drop a leading U+FEFF.
        if (QChar::requiresSurrogates(point)) {
            text.append(QChar(QChar::highSurrogate(point)));
            text.append(QChar(QChar::lowSurrogate(point)));
        } else {
            text.append(QChar(char16_t(point)));
        }
        at += length;
    }
    return text;
}

QByteArray FilePath::encodeName(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype runStart = 0;
    const auto flushRun = [&](qsizetype end) {
        if (end > runStart)
            bytes.append(QStringView(text).sliced(runStart, end - runStart).toUtf8());
    };
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar c = text[at];
        if (c.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
            ++at; // a pair is one character, even when its second half looks like an escape
            continue;
        }
        if (isEscape(c)) {
            flushRun(at);
            bytes.append(char(c.unicode() - 0xDC00));
            runStart = at + 1;
        }
    }
    flushRun(text.size());
    return bytes;
}

QString FilePath::displayName(const QString &text)
{
    QString shown = text;
    for (qsizetype at = 0; at < shown.size(); ++at) {
        if (shown[at].isHighSurrogate() && at + 1 < shown.size() && shown[at + 1].isLowSurrogate())
            ++at;
        else if (isEscape(shown[at]))
            shown[at] = QChar::ReplacementCharacter;
    }
    return shown;
}
