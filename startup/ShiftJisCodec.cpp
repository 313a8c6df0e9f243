// Conversion between UTF-16 text and Shift-JIS (code page 932) bytes through glibc's iconv.
#include "ShiftJisCodec.h"

#include <iconv.h>

namespace {

constexpr const char *kShiftJisName = "CP932";
constexpr const char *kUtf8Name = "UTF-8";

// Runs `input` through a fresh iconv converter from `from` to `to`; nothing on any conversion error,
// including a sequence cut off at the end of the input.
std::optional<QByteArray> convert(const char *to, const char *from, QByteArrayView input)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    // No conversion between these two encodings grows a text by more than four bytes per input byte.
    QByteArray output(input.size() * 4 + 4, Qt::Uninitialized);
    char *in = const_cast<char *>(input.data());
    size_t inLeft = size_t(input.size());
    char *out = output.data();
    size_t outLeft = size_t(output.size());
    const size_t result = iconv(cd, input.isEmpty() ? nullptr : &in, &inLeft, &out, &outLeft);
    iconv_close(cd);
    if (result == size_t(-1) || inLeft != 0)
        return std::nullopt;
    output.truncate(output.size() - qsizetype(outLeft));
    return output;
}

} // namespace

bool ShiftJisCodec::available()
{
    iconv_t cd = iconv_open(kShiftJisName, kUtf8Name);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    iconv_close(cd);
    return true;
}

std::optional<QByteArray> ShiftJisCodec::encode(QStringView text)
{
    // Lone surrogates have no UTF-8 form; toUtf8 would turn them into '?' and hide the fault.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return std::nullopt;
    }
    return convert(kShiftJisName, kUtf8Name, text.toUtf8());
}

std::optional<QString> ShiftJisCodec::decode(QByteArrayView bytes)
{
    const std::optional<QByteArray> utf8 = convert(kUtf8Name, kShiftJisName, bytes);
    if (!utf8)
        return std::nullopt;
    return QString::fromUtf8(*utf8);
}
