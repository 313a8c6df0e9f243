// The numeric reading of a settings value: the whole text must be one decimal number.
#pragma once

#include <QStringView>

#include <optional>

class DecimalText
{
public:
    // The value of `text` when all of it, apart from spaces and tabs around it, is one decimal
    // number: an optional sign, digits with an optional decimal point (at least one digit in all),
    // and an optional exponent "e" or "E" with optional sign and digits. Anything else, including
    // "inf", "nan", hexadecimal and inner blanks, gives nothing.
    static std::optional<double> parse(QStringView text);
};
