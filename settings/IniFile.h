// The settings file's format: sections, key=value lines and everything else, kept line by line.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// An initialization file as the Windows profile functions read and write it:
// - "[name]" starts a section; "key=value" lines inside it hold the values; lines starting with ';'
//   are comments; every other line is kept but means nothing.
// - Section and key names are Shift-JIS (CP932) bytes, matched case-insensitively as text; a name
//   that is not valid Shift-JIS matches nothing. Blanks (space, tab) around names and values are
//   ignored on reading, and a value enclosed in a pair of matching quotes loses them.
// - Lines end in CRLF or LF when read; every line is written back with CRLF, its bytes otherwise
//   unchanged. A UTF-8 byte-order mark at the start is skipped on reading and kept on writing.
// Values are opaque bytes here; the caller chooses their encoding. The file's bytes come from and go
// to the caller: this class reads and writes no file.
class IniFile
{
public:
    IniFile() = default;
    // Never fails: bytes that form no section or key simply match nothing.
    static IniFile parse(QByteArrayView bytes);

    // The value of the first `key` in a section named `section`, or nothing when either is missing.
    std::optional<QByteArray> value(QStringView section, QStringView key) const;

    // Sets `key` in `section` to `value`: the first existing line of that key is rewritten as
    // "key=value" (its own spelling of the key kept); otherwise the key goes after the last non-blank
    // line of the first such section, or a new section is appended. Returns false and says why when
    // a name cannot be written (empty, not Shift-JIS, or containing a character that would change
    // the file's structure) or the value holds a line break or NUL; the file is then unchanged.
    bool set(QStringView section, QStringView key, QByteArrayView value, QString *error = nullptr);

    QByteArray toBytes() const;

private:
    enum class LineKind { Other, Comment, Section, Key };
    struct Line {
        LineKind kind = LineKind::Other;
        QByteArray name; // section or key name, blanks trimmed (Section and Key lines)
    };

    static Line classify(QByteArrayView text);
    bool nameMatches(const QByteArray &stored, QStringView wanted) const;
    // Index of the first key line of `key` in a section named `section`, or -1.
    qsizetype findKey(QStringView section, QStringView key) const;
    // Index after the last non-blank line of the first section named `section`, or -1.
    qsizetype insertionPoint(QStringView section) const;
    void insertLine(qsizetype at, QByteArray text);

    bool bom_ = false;
    QList<QByteArray> texts_; // each line without its line end
    QList<Line> lines_;       // parallel to texts_
};
