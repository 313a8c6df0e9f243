// The settings file's format: sections, key=value lines and everything else, kept line by line.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

class FileName;
class FileTarget;

// An initialization file as the Windows profile functions read and write it:
// - "[name]" starts a section; "key=value" lines inside it hold the values; lines starting with ';'
//   are comments; every other line is kept but means nothing.
// - Section and key names are Shift-JIS (CP932) bytes, matched case-insensitively as text; a name
//   that is not valid Shift-JIS matches nothing. Blanks (space, tab) around names and values are
//   ignored on reading, and a value enclosed in a pair of matching quotes loses them.
// - Lines end in CRLF or LF when read; every line is written back with CRLF, its bytes otherwise
//   unchanged. A UTF-8 byte-order mark at the start is skipped on reading and kept on writing.
// Values are opaque bytes here; the caller chooses their encoding.
class IniFile
{
public:
    // Files larger than this are refused rather than read whole: no settings file comes near it.
    static constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

    IniFile() = default;
    // Never fails: bytes that form no section or key simply match nothing.
    static IniFile parse(QByteArrayView bytes);

    // Reads the file at `path`, reached as FileTarget allows. A missing file (or a link to one)
    // gives an empty IniFile. Nothing, with the reason in `error`, when the path cannot be followed
    // (another user's link, a missing folder), the file cannot be read (a folder, a pipe or device,
    // no permission, too large), or it starts with a UTF-16 byte-order mark: this program reads and
    // writes only byte-oriented files, so such a file holds none of its keys and is never rewritten.
    static std::optional<IniFile> load(const FileName &path, QString *error = nullptr);
    // The same for a target already resolved; the file is opened once, non-blocking, without
    // following a link that has appeared since, and checked and read on that descriptor.
    static std::optional<IniFile> load(const FileTarget &target, QString *error = nullptr);

    // The value of the first `key` in a section named `section`, or nothing when either is missing.
    std::optional<QByteArray> value(QStringView section, QStringView key) const;

    // Sets `key` in `section` to `value`: the first existing line of that key is rewritten as
    // "key=value" (its own spelling of the key kept); otherwise the key goes after the last non-blank
    // line of the first such section, or a new section is appended. Returns false and says why when
    // a name cannot be written (empty, not Shift-JIS, or containing a character that would change
    // the file's structure) or the value holds a line break or NUL; the file is then unchanged.
    bool set(QStringView section, QStringView key, QByteArrayView value, QString *error = nullptr);

    QByteArray toBytes() const;

    // Replaces the file at `path` (or `target`) atomically with toBytes(); see AtomicFile. On
    // failure the old file is untouched and `error` says why.
    bool save(const FileName &path, QString *error = nullptr) const;
    bool save(const FileTarget &target, QString *error = nullptr) const;

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
