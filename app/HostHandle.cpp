// Reads the preview's host window handle from the command line.
#include "app/HostHandle.h"

#include "settings/DecimalText.h"

#include <QString>

#include <cmath>

namespace {

// The host handle starts at the command line's fourth character: the mode switch takes two and the
// separator after it is skipped whatever it is.
constexpr qsizetype kHandleStart = 3;

constexpr quint64 kMax16Bit = 0xFFFF;
constexpr quint64 kMax32Bit = 0xFFFFFFFF;
constexpr double kMinHandle = -2147483648.0;
constexpr double kMaxHandle = 2147483647.0;

// Walks the text, passing over the spaces, tabs and line feeds that may stand anywhere in a number.
class NumberCursor
{
public:
    explicit NumberCursor(QStringView text) : text_(text) { skipIgnored(); }

    QChar peek() const { return pos_ < text_.size() ? text_[pos_] : QChar(); }
    // The character after the next one, blanks again passed over.
    QChar peekSecond() const
    {
        qsizetype p = pos_ + 1;
        while (p < text_.size() && isIgnored(text_[p]))
            ++p;
        return p < text_.size() ? text_[p] : QChar();
    }
    void advance()
    {
        ++pos_;
        skipIgnored();
    }

private:
    static bool isIgnored(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }
    void skipIgnored()
    {
        while (pos_ < text_.size() && isIgnored(text_[pos_]))
            ++pos_;
    }

    QStringView text_;
    qsizetype pos_ = 0;
};

bool isDecimalDigit(QChar c) { return c >= u'0' && c <= u'9'; }

int digitValue(QChar c, int base)
{
    int value = -1;
    if (c >= u'0' && c <= u'9')
        value = c.unicode() - u'0';
    else if (c >= u'a' && c <= u'f')
        value = c.unicode() - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        value = c.unicode() - u'A' + 10;
    return value < base ? value : -1;
}

// "&H" or "&O" digits: up to FFFF a signed 16-bit value, up to FFFFFFFF a signed 32-bit value.
std::optional<qint64> readRadix(NumberCursor &cursor, int base)
{
    quint64 value = 0;
    bool tooLong = false;
    for (int digit; (digit = digitValue(cursor.peek(), base)) >= 0; cursor.advance()) {
        value = value * quint64(base) + quint64(digit);
        if (value > kMax32Bit) {
            tooLong = true;
            value = 0; // keep consuming without overflowing the accumulator
        }
    }
    if (tooLong)
        return std::nullopt;
    if (value <= kMax16Bit)
        return qint64(qint16(quint16(value)));
    return qint64(qint32(quint32(value)));
}

// Decimal digits with an optional point and exponent, gathered without the ignored blanks.
QString gatherDecimal(NumberCursor &cursor)
{
    QString number;
    bool anyDigit = false;
    for (; isDecimalDigit(cursor.peek()); cursor.advance()) {
        number += cursor.peek();
        anyDigit = true;
    }
    if (cursor.peek() == u'.') {
        number += u'.';
        cursor.advance();
        for (; isDecimalDigit(cursor.peek()); cursor.advance()) {
            number += cursor.peek();
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return {};
    // The exponent counts only when a digit follows the letter and its optional sign.
    const QChar e = cursor.peek();
    if (e == u'e' || e == u'E') {
        NumberCursor probe = cursor;
        probe.advance();
        QString exponent = QStringLiteral("e");
        if (probe.peek() == u'+' || probe.peek() == u'-') {
            exponent += probe.peek();
            probe.advance();
        }
        if (isDecimalDigit(probe.peek())) {
            for (; isDecimalDigit(probe.peek()); probe.advance())
                exponent += probe.peek();
            number += exponent;
            cursor = probe;
        }
    }
    return number;
}

} // namespace

std::optional<qint32> HostHandle::read(QStringView text)
{
    NumberCursor cursor(text);
    bool negative = false;
    if (cursor.peek() == u'+' || cursor.peek() == u'-') {
        negative = cursor.peek() == u'-';
        cursor.advance();
    }

    double value = 0.0;
    if (cursor.peek() == u'&') {
        const QChar kind = cursor.peekSecond().toUpper();
        const int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
        if (base == 0)
            return 0;
        cursor.advance();
        cursor.advance();
        const std::optional<qint64> whole = readRadix(cursor, base);
        if (!whole)
            return std::nullopt;
        value = double(*whole);
    } else {
        const QString number = gatherDecimal(cursor);
        if (number.isEmpty())
            return 0;
        const std::optional<double> decimal = DecimalText::parse(number);
        if (!decimal)
            return std::nullopt; // beyond the range of a double
        value = *decimal;
    }
    if (negative)
        value = -value;

    const double rounded = std::nearbyint(value); // the default rounding mode: nearest, ties to even
    if (!(rounded >= kMinHandle && rounded <= kMaxHandle))
        return std::nullopt;
    return qint32(rounded);
}

std::optional<qint32> HostHandle::fromCommandLine(QStringView commandLine)
{
    if (commandLine.size() <= kHandleStart)
        return 0;
    return read(commandLine.sliced(kHandleStart));
}
