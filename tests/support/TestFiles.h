// Files the tests write and read: settings files with the keys in Shift-JIS, pictures, raw bytes.
#pragma once

#include <QByteArray>
#include <QRgb>
#include <QSize>
#include <QString>

namespace testfiles {

// The settings keys as the file stores them, in Shift-JIS: texture source, picture file, speed.
inline const QByteArray KeySource("\x89\xE6\x91\x9C");
inline const QByteArray KeyPictureFile("\x89\xE6\x91\x9C\xCC\xA7\xB2\xD9");
inline const QByteArray KeySpeed("\x89\xF1\x93\x5D\x91\xAC\x93\x78");

// "[Section]" and the three keys with the given values as they stand, CRLF after each line; a null
// value leaves its key out.
QByteArray settingsBytes(const QByteArray &source, const QByteArray &pictureFile, const QByteArray &speed);

// The file's bytes, or `whenUnreadable` when it cannot be opened.
QByteArray readFile(const QString &path, const QByteArray &whenUnreadable = {});
// Writes all of `bytes` to `path`, replacing it; true when every byte was written.
bool writeFile(const QString &path, const QByteArray &bytes);

// A picture whose left half is `left` and right half `right` (format from the file name unless
// given), saved at the best quality; true when it was written.
bool writeTwoColourPicture(const QString &path, QRgb left, QRgb right, QSize size = QSize(320, 200),
                           const char *format = nullptr);

} // namespace testfiles
