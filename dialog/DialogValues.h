// Conversions between the settings values and what the dialog shows. Pure functions.
#pragma once

#include <QString>

#include <optional>

class DialogValues
{
public:
    static constexpr int SpeedMinimum = 1;
    static constexpr int SpeedMaximum = 100;

    // The scroll bar position for a stored speed: the speed rounded half to even, or nothing when
    // that is outside the scroll bar's range (the scroll bar then keeps its position).
    static std::optional<int> speedPosition(float speed);
    // The stored speed as the read-out shows it: the shortest decimal text, no leading blank.
    static QString speedText(float speed);
    // The picture path as one line: line breaks would split the settings file's key=value line.
    static QString singleLine(const QString &text);
};
