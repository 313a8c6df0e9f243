// A file's name as its own bytes; see FileName.h.
#include "files/FileName.h"

#include <QFile>

namespace {

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

} // namespace

FileName FileName::fromText(const QString &text) { return FileName(QFile::encodeName(text)); }

FileName FileName::folder() const
{
    const qsizetype slash = bytes_.lastIndexOf('/');
    return slash < 0 ? FileName() : FileName(bytes_.left(slash));
}

QString FileName::toDisplayString() const
{
    QString text;
    text.reserve(bytes_.size());
    for (qsizetype at = 0; at < bytes_.size();) {
        const int length = sequenceLength(bytes_, at);
        const unsigned char lead = static_cast<unsigned char>(bytes_[at]);
        if (length == 0) {
            text.append(QChar::ReplacementCharacter);
            ++at;
            continue;
        }
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (int i = 1; i < length; ++i)
            point = (point << 6) | (static_cast<unsigned char>(bytes_[at + i]) & 0x3F);
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
