// Finds, adds and takes out the saver's entry in XScreenSaver's programs: list; see XScreenSaverPrograms.h.
#include "app/XScreenSaverPrograms.h"

#include <QList>

#include <algorithm>
#include <optional>

namespace {

// The entry as xscreensaver-settings writes one: the visual from column 2, the command from column
// 32, the "\n" separator from column 76 (tabs are 8 columns wide). The line's continuation
// backslash, where it needs one, follows the separator.
constexpr QByteArrayView kEntryLine = "  GL: \t\t\t\thelixcavern --root\t\t\t    \\n";
constexpr QByteArrayView kProgramName = "helixcavern";
constexpr QByteArrayView kUserKey = "programs";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool allBlank(QByteArrayView bytes)
{
    for (const char c : bytes)
        if (!isBlank(c))
            return false;
    return true;
}

// One line of the file as it stands between line feeds.
struct PhysicalLine
{
    qsizetype start = 0;
    qsizetype bodyEnd = 0; // offset of the line feed, or the file's size on a last line without one
    qsizetype end = 0;     // after the line feed
    bool continues = false; // the body ends in a backslash: the logical line goes on in the next one
    qsizetype contentEnd() const { return continues ? bodyEnd - 1 : bodyEnd; }
    bool hasLineFeed() const { return end > bodyEnd; }
};

// Physical lines joined where they continue, as XScreenSaver reads them.
struct LogicalLine
{
    qsizetype first = 0; // index of its first physical line
    qsizetype last = 0;  // index of its last physical line
    QByteArray text;     // the bodies joined, continuation backslashes and line feeds left out
    QList<qsizetype> offsets; // the file offset of each byte of `text`
    qsizetype keyStart = -1;  // index in `text` of the name of a "name: value" line, -1 otherwise
    qsizetype colon = -1;     // index in `text` of its colon
};

// One entry of the list, found in the programs line's text.
struct Entry
{
    qsizetype first = 0; // index in the text of its first byte that is not blank
    qsizetype last = 0;  // index of its last byte: the 'n' of its separator, or the text's last byte
    bool terminated = false; // ends in a "\n" separator
    bool switchedOff = false;
    bool ours = false;
};

struct ParsedFile
{
    QList<PhysicalLine> lines;
    QList<LogicalLine> logical;
    QString error; // not empty: the file is not in XScreenSaver's format
};

QString textProblem(QByteArrayView bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return QStringLiteral("it is UTF-16 text, which XScreenSaver does not read");
    if (bytes.contains("\r\n"))
        return QStringLiteral("its lines end in CR LF, which XScreenSaver does not join into one programs: list");
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar c = uchar(bytes[i]);
        if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F)
            return QStringLiteral("it holds bytes that are not text (0x%1 at offset %2)")
                .arg(uint(c), 2, 16, QLatin1Char('0'))
                .arg(i);
    }
    return {};
}

QList<PhysicalLine> physicalLines(QByteArrayView bytes)
{
    QList<PhysicalLine> lines;
    for (qsizetype start = 0; start < bytes.size();) {
        const qsizetype feed = bytes.indexOf('\n', start);
        PhysicalLine line;
        line.start = start;
        line.bodyEnd = feed < 0 ? bytes.size() : feed;
        line.end = feed < 0 ? bytes.size() : feed + 1;
        line.continues = line.bodyEnd > start && bytes[line.bodyEnd - 1] == '\\';
        lines << line;
        start = line.end;
    }
    return lines;
}

void classify(LogicalLine &line)
{
    qsizetype i = 0;
    while (i < line.text.size() && isBlank(line.text[i]))
        ++i;
    if (i == line.text.size() || line.text[i] == '#' || line.text[i] == '!' || line.text[i] == ';')
        return;
    line.keyStart = i;
    line.colon = line.text.indexOf(':', i);
}

// `strict`: every line must be a comment, blank or "name: value" (the user's file); otherwise
// other lines are passed over (the app-defaults file, which the X resource reader reads).
ParsedFile parse(QByteArrayView bytes, bool strict)
{
    ParsedFile parsed;
    if (strict) {
        parsed.error = textProblem(bytes);
        if (!parsed.error.isEmpty())
            return parsed;
    }
    parsed.lines = physicalLines(bytes);
    if (!parsed.lines.isEmpty()) {
        const PhysicalLine &last = parsed.lines.last();
        if (last.bodyEnd > last.start && bytes[last.bodyEnd - 1] == '\\') {
            parsed.error = QStringLiteral("its last line ends in a backslash that continues into nothing");
            return parsed;
        }
    }
    for (qsizetype i = 0; i < parsed.lines.size(); ++i) {
        LogicalLine line;
        line.first = i;
        for (;; ++i) {
            const PhysicalLine &physical = parsed.lines[i];
            for (qsizetype at = physical.start; at < physical.contentEnd(); ++at) {
                line.text += bytes[at];
                line.offsets << at;
            }
            if (!physical.continues)
                break;
        }
        line.last = i;
        classify(line);
        if (strict && line.keyStart >= 0 && line.colon < 0) {
            parsed.error = QStringLiteral("line %1 is neither a comment nor a \"name: value\" setting").arg(line.first + 1);
            return parsed;
        }
        parsed.logical << line;
    }
    return parsed;
}

QByteArrayView keyOf(const LogicalLine &line)
{
    return QByteArrayView(line.text).sliced(line.keyStart, line.colon - line.keyStart);
}

// The last logical line that sets the list (the one XScreenSaver keeps), or nothing.
std::optional<qsizetype> findPrograms(const ParsedFile &parsed, bool systemDefaults)
{
    std::optional<qsizetype> found;
    for (qsizetype i = 0; i < parsed.logical.size(); ++i) {
        const LogicalLine &line = parsed.logical[i];
        if (line.colon < 0)
            continue;
        QByteArrayView key = keyOf(line);
        if (systemDefaults) {
            // "*programs", "XScreenSaver.programs" or "XScreenSaver*programs": the resource read
            // by the daemon, whatever the class or wildcard in front of it.
            if (!key.endsWith(kUserKey))
                continue;
            const QByteArrayView scope = key.chopped(kUserKey.size());
            if (scope != "*" && scope != "XScreenSaver." && scope != "XScreenSaver*")
                continue;
        } else if (key.compare(kUserKey, Qt::CaseInsensitive) != 0) {
            continue;
        }
        found = i;
    }
    return found;
}

// Whether a decoded entry runs this program: its command's first word, or that word's last part
// after a '/', is the program's name. Sets `switchedOff` from a leading '-'.
bool runsThisProgram(QByteArrayView entry, bool *switchedOff)
{
    qsizetype i = 0;
    const auto skipSpace = [&] {
        while (i < entry.size() && (isBlank(entry[i]) || entry[i] == '\n'))
            ++i;
    };
    skipSpace();
    *switchedOff = i < entry.size() && entry[i] == '-';
    if (*switchedOff) {
        ++i;
        skipSpace();
    }
    // An optional visual ("GL:"): a word that ends in a colon.
    qsizetype word = i;
    while (word < entry.size() && entry[word] != ':' && entry[word] != '"' && !isBlank(entry[word]))
        ++word;
    if (word < entry.size() && entry[word] == ':') {
        i = word + 1;
        skipSpace();
    }
    // An optional name in quotes.
    if (i < entry.size() && entry[i] == '"') {
        const qsizetype close = entry.indexOf('"', i + 1);
        i = close < 0 ? entry.size() : close + 1;
        skipSpace();
    }
    qsizetype end = i;
    while (end < entry.size() && !isBlank(entry[end]) && entry[end] != '\n')
        ++end;
    const QByteArrayView program = entry.sliced(i, end - i);
    const qsizetype slash = program.lastIndexOf('/');
    return program.sliced(slash + 1) == kProgramName;
}

// The entries of the list that `line` sets, split at its "\n" escapes; blank ones left out.
QList<Entry> entriesOf(const LogicalLine &line)
{
    QList<Entry> entries;
    QByteArray decoded;
    qsizetype firstNonBlank = -1;
    const auto finish = [&](qsizetype last, bool terminated) {
        if (firstNonBlank >= 0) {
            Entry entry;
            entry.first = firstNonBlank;
            entry.last = last;
            entry.terminated = terminated;
            entry.ours = runsThisProgram(decoded, &entry.switchedOff);
            entries << entry;
        }
        decoded.clear();
        firstNonBlank = -1;
    };
    const QByteArray &text = line.text;
    for (qsizetype i = line.colon + 1; i < text.size();) {
        char c = text[i];
        qsizetype width = 1;
        if (c == '\\' && i + 1 < text.size()) {
            width = 2;
            const char escaped = text[i + 1];
            if (escaped == 'n') {
                finish(i + 1, true);
                i += 2;
                continue;
            }
            c = escaped == 't' ? '\t' : escaped == 'r' ? '\r' : escaped;
        }
        if (firstNonBlank < 0 && !isBlank(c))
            firstNonBlank = i;
        decoded += c;
        i += width;
    }
    finish(text.size() - 1, false);
    return entries;
}

// Index of the physical line that holds file offset `offset`.
qsizetype lineAt(const ParsedFile &parsed, qsizetype offset)
{
    qsizetype index = 0;
    while (index + 1 < parsed.lines.size() && parsed.lines[index + 1].start <= offset)
        ++index;
    return index;
}

XScreenSaverPrograms::Result unreadable(const QString &reason)
{
    XScreenSaverPrograms::Result result;
    result.outcome = XScreenSaverPrograms::Outcome::Unreadable;
    result.reason = reason;
    return result;
}

XScreenSaverPrograms::Result changed(QByteArray bytes)
{
    XScreenSaverPrograms::Result result;
    result.outcome = XScreenSaverPrograms::Outcome::Changed;
    result.bytes = std::move(bytes);
    return result;
}

// The parsed user file and its list, or the reason it cannot be read.
struct UserList
{
    ParsedFile parsed;
    qsizetype programs = -1; // index of the logical line
    QList<Entry> entries;
    QString error;
};

UserList readUserList(QByteArrayView bytes)
{
    UserList list;
    list.parsed = parse(bytes, true);
    if (!list.parsed.error.isEmpty()) {
        list.error = list.parsed.error;
        return list;
    }
    const std::optional<qsizetype> programs = findPrograms(list.parsed, false);
    if (!programs) {
        list.error = QStringLiteral("it has no programs: list of savers");
        return list;
    }
    list.programs = *programs;
    list.entries = entriesOf(list.parsed.logical[*programs]);
    return list;
}

// The file without one entry: its whole lines where it has lines of its own, else its bytes.
QByteArray withoutEntry(QByteArrayView bytes, const UserList &list, const Entry &entry)
{
    const ParsedFile &parsed = list.parsed;
    const LogicalLine &line = parsed.logical[list.programs];
    const qsizetype from = line.offsets[entry.first];
    const qsizetype to = line.offsets[entry.last] + 1;
    const qsizetype firstLine = lineAt(parsed, from);
    const qsizetype lastLine = lineAt(parsed, to - 1);
    const PhysicalLine &begin = parsed.lines[firstLine];
    const PhysicalLine &end = parsed.lines[lastLine];
    const bool wholeLines = firstLine > line.first && allBlank(bytes.sliced(begin.start, from - begin.start))
                            && allBlank(bytes.sliced(to, end.contentEnd() - to));
    QByteArray result;
    if (!wholeLines) {
        result = bytes.first(from).toByteArray();
        result += bytes.sliced(to);
        return result;
    }
    // The entry's lines ended the list: the line before them ends it now, without continuing.
    const PhysicalLine &before = parsed.lines[firstLine - 1];
    const bool endedList = !end.continues;
    result = bytes.first(endedList ? before.contentEnd() : begin.start).toByteArray();
    // A list that ended the file without a line feed ends it so again.
    if (endedList && end.hasLineFeed())
        result += bytes.sliced(before.bodyEnd, begin.start - before.bodyEnd);
    result += bytes.sliced(end.end);
    return result;
}

} // namespace

XScreenSaverPrograms::Result XScreenSaverPrograms::add(QByteArrayView userFile)
{
    const UserList list = readUserList(userFile);
    if (!list.error.isEmpty())
        return unreadable(list.error);
    bool anyOurs = false;
    bool allOff = true;
    for (const Entry &entry : list.entries) {
        if (entry.ours) {
            anyOurs = true;
            allOff = allOff && entry.switchedOff;
        }
    }
    if (anyOurs) {
        Result result;
        result.outcome = Outcome::AlreadyListed;
        result.switchedOff = allOff;
        return result;
    }

    // The new entry goes after the last line that holds any of the list.
    const LogicalLine &line = list.parsed.logical[list.programs];
    qsizetype last = line.first;
    for (qsizetype i = line.first; i <= line.last; ++i) {
        const PhysicalLine &physical = list.parsed.lines[i];
        const qsizetype from = i == line.first ? line.offsets[line.colon] + 1 : physical.start;
        if (from < physical.contentEnd() && !allBlank(userFile.sliced(from, physical.contentEnd() - from)))
            last = i;
    }
    const PhysicalLine &previous = list.parsed.lines[last];
    const bool separated = list.entries.isEmpty() || list.entries.last().terminated;

    QByteArray bytes = userFile.first(previous.contentEnd()).toByteArray();
    if (previous.continues) {
        if (!separated)
            bytes += "\\n";
        bytes += userFile.sliced(previous.contentEnd(), previous.end - previous.contentEnd());
    } else {
        bytes += separated ? "\\\n" : " \\n\\\n";
    }
    bytes += kEntryLine;
    if (previous.continues)
        bytes += '\\';
    if (previous.hasLineFeed())
        bytes += '\n';
    bytes += userFile.sliced(previous.end);
    return changed(bytes);
}

XScreenSaverPrograms::Result XScreenSaverPrograms::remove(QByteArrayView userFile)
{
    QByteArray bytes = userFile.toByteArray();
    bool removed = false;
    for (;;) {
        const UserList list = readUserList(bytes);
        if (!list.error.isEmpty())
            return unreadable(list.error);
        const auto ours = std::find_if(list.entries.cbegin(), list.entries.cend(),
                                       [](const Entry &entry) { return entry.ours; });
        if (ours == list.entries.cend())
            break;
        bytes = withoutEntry(bytes, list, *ours);
        removed = true;
    }
    if (!removed) {
        Result result;
        result.outcome = Outcome::NotListed;
        return result;
    }
    return changed(bytes);
}

XScreenSaverPrograms::Result XScreenSaverPrograms::fromSystemDefaults(QByteArrayView appDefaults)
{
    const ParsedFile parsed = parse(appDefaults, false);
    if (!parsed.error.isEmpty())
        return unreadable(parsed.error);
    const std::optional<qsizetype> programs = findPrograms(parsed, true);
    if (!programs)
        return unreadable(QStringLiteral("it has no *programs: list of savers"));
    const LogicalLine &line = parsed.logical[*programs];
    const qsizetype valueStart = line.offsets[line.colon] + 1;
    const PhysicalLine &last = parsed.lines[line.last];
    QByteArray bytes("# XScreenSaver Preferences File\n"
                     "# The system's list of savers, copied by helixcavern --add-to-xscreensaver.\n"
                     "# The other settings are the system's; xscreensaver-settings writes them all.\n"
                     "\n"
                     "programs:");
    bytes += appDefaults.sliced(valueStart, last.bodyEnd - valueStart);
    bytes += "\n\n";
    return changed(bytes);
}
