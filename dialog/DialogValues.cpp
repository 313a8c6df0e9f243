// Conversions between the settings values and the dialog's texts; see DialogValues.h.
#include "dialog/DialogValues.h"

#include <charconv>
#include <cmath>

std::optional<int> DialogValues::speedPosition(float speed)
{
    const double rounded = std::nearbyint(double(speed)); // half to even
    if (!(rounded >= SpeedMinimum && rounded <= SpeedMaximum)) // also false for NaN
        return std::nullopt;
    return int(rounded);
}

QString DialogValues::speedText(float speed)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, speed); // shortest round trip
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

QString DialogValues::singleLine(const QString &text)
{
    QString line = text;
    line.remove(QLatin1Char('\r'));
    line.remove(QLatin1Char('\n'));
    line.remove(QChar::LineSeparator);
    line.remove(QChar::ParagraphSeparator);
    return line;
}
