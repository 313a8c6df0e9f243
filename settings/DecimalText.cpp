// The numeric reading of a settings value: the whole text must be one decimal number.
#include "settings/DecimalText.h"

#include "settings/Blanks.h"

#include <QByteArray>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// strtod in the "C" locale, whatever locale the application has set: the point is always '.'.
double parseCLocale(const QByteArray &ascii)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return strtod_l(ascii.constData(), nullptr, cLocale);
}

} // namespace

std::optional<double> DecimalText::parse(QStringView text)
{
    text = Blanks::trimmed(text);
    const qsizetype end = text.size();

    qsizetype i = 0;
    if (i < end && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    for (; i < end && isDigit(text[i]); ++i)
        ++digits;
    if (i < end && text[i] == u'.')
        for (++i; i < end && isDigit(text[i]); ++i)
            ++digits;
    if (digits == 0)
        return std::nullopt;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < end && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        const qsizetype exponentStart = i;
        while (i < end && isDigit(text[i]))
            ++i;
        if (i == exponentStart)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;

    // Only ASCII characters remain, so the Latin-1 form is exact.
    const double value = parseCLocale(text.toLatin1());
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}
