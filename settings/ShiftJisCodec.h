// Conversion between UTF-16 text and Shift-JIS (code page 932) bytes, the encoding of the settings file's names.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// Uses glibc's iconv converter "CP932", the Windows flavour of Shift-JIS (0x5C is the backslash,
// half-width katakana are single bytes A1..DF). Each thread keeps converters of its own, so the
// functions are safe to call from any thread.
class ShiftJisCodec
{
public:
    // True when the system offers the CP932 converter; without it no settings name can be matched.
    static bool available();
    // The CP932 bytes of `text`, or nothing when a character has no CP932 form or no converter exists.
    static std::optional<QByteArray> encode(QStringView text);
    // The text of CP932 `bytes`, or nothing when they are not valid CP932 or no converter exists.
    static std::optional<QString> decode(QByteArrayView bytes);
};
