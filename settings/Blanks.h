// Blanks around names, values and numbers in the settings file: spaces and tabs, nothing else.
#pragma once

#include <QByteArrayView>
#include <QStringView>

namespace Blanks {

template <typename Char> constexpr bool isBlank(Char c) { return c == u' ' || c == u'\t'; }

// `text` without the blanks at its start and end; works on bytes and on UTF-16 text alike.
template <typename View> View trimmed(View text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

} // namespace Blanks
