// Reads the preview's host window handle from the command line.
#pragma once

#include <QStringView>
#include <QtGlobal>

#include <optional>

// The host handle follows the mode switch: the command line is read from its fourth character on,
// so "/p 1234", "/p:1234" and "-p 1234" all give 1234, while "/p1234" gives 234.
//
// The number is read like this: spaces, tabs and line feeds are ignored wherever they stand; an
// optional sign; then decimal digits with an optional point and exponent, or "&H" and hexadecimal
// digits, or "&O" and octal digits; reading stops at the first character that cannot continue the
// number, and no digits give 0. A hexadecimal or octal number up to FFFF is a signed 16-bit value
// (&HFFFF is -1), a larger one up to FFFFFFFF a signed 32-bit value (&HFFFFFFFF is -1). The result
// is rounded to the nearest 32-bit signed integer, ties to even.
class HostHandle
{
public:
    // The handle named by `commandLine`, or nothing when its number lies outside the 32-bit signed
    // range (including hexadecimal or octal numbers above FFFFFFFF).
    static std::optional<qint32> fromCommandLine(QStringView commandLine);
    // The number in `text` by the rules above, or nothing when it is out of range.
    static std::optional<qint32> read(QStringView text);
};
