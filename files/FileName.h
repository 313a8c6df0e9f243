// A file's name as the file system knows it: its own bytes, carried unchanged from where it is read to open().
#pragma once

#include <QByteArray>
#include <QString>

#include <utility>

// A name on Linux is any bytes but NUL; they need not be valid UTF-8, and only the very bytes name
// the same file again. A FileName holds them as they came (from the settings file, the command
// line, the file system) until a file is opened or the settings file is written. It becomes text
// only to be shown, and text that a user types or chooses becomes a name once, in the form Qt opens
// it by (QFile::encodeName, UTF-8).
class FileName
{
public:
    FileName() = default;
    explicit FileName(QByteArray bytes) : bytes_(std::move(bytes)) {}
    // The name Qt opens for `text`: its UTF-8 bytes.
    static FileName fromText(const QString &text);

    const QByteArray &bytes() const { return bytes_; }
    bool isEmpty() const { return bytes_.isEmpty(); }

    // The part before the last '/': "/pics/a.jpg" gives "/pics", "/a.jpg" and "a.jpg" give "".
    FileName folder() const;

    // The name as text for people and for Qt's classes that take names as text: well-formed UTF-8
    // (Unicode's table 3-7) reads as its characters, a leading U+FEFF included, and every other
    // byte as U+FFFD, the replacement character. Different names can show the same.
    QString toDisplayString() const;

    friend bool operator==(const FileName &, const FileName &) = default;

private:
    QByteArray bytes_;
};
