// Conversion between UTF-16 text and Shift-JIS (code page 932) bytes through glibc's iconv.
#include "settings/ShiftJisCodec.h"

#include <iconv.h>

namespace {

constexpr const char *kShiftJisName = "CP932";
constexpr const char *kUtf8Name = "UTF-8";

// One iconv converter per direction and thread, opened on first use and kept: opening one loads
// and looks up the conversion module, which costs far more than a key's conversion.
class Converter
{
public:
    Converter(const char *to, const char *from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid())
            iconv_close(cd_);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // `input` converted, or nothing on any conversion error, including a sequence cut off at the end.
    std::optional<QByteArray> convert(QByteArrayView input) const
    {
        if (!valid())
            return std::nullopt;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr); // back to the initial state
        // No conversion between these two encodings grows a text by more than four bytes per input byte.
        QByteArray output(input.size() * 4 + 4, Qt::Uninitialized);
        char *in = const_cast<char *>(input.data());
        size_t inLeft = size_t(input.size());
        char *out = output.data();
        size_t outLeft = size_t(output.size());
        if (inLeft > 0 && iconv(cd_, &in, &inLeft, &out, &outLeft) == size_t(-1))
            return std::nullopt;
        if (inLeft != 0)
            return std::nullopt;
        output.truncate(output.size() - qsizetype(outLeft));
        return output;
    }

private:
    iconv_t cd_;
};

const Converter &toShiftJis()
{
    thread_local const Converter converter(kShiftJisName, kUtf8Name);
    return converter;
}

const Converter &fromShiftJis()
{
    thread_local const Converter converter(kUtf8Name, kShiftJisName);
    return converter;
}

} // namespace

bool ShiftJisCodec::available() { return toShiftJis().valid() && fromShiftJis().valid(); }

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
    return toShiftJis().convert(text.toUtf8());
}

std::optional<QString> ShiftJisCodec::decode(QByteArrayView bytes)
{
    const std::optional<QByteArray> utf8 = fromShiftJis().convert(bytes);
    if (!utf8)
        return std::nullopt;
    return QString::fromUtf8(*utf8);
}
