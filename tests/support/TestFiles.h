// Files the tests write and read: settings files with the keys in Shift-JIS, pictures, raw bytes.
#pragma once

#include "files/FileName.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRgb>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTest>

#include <utility>

namespace testfiles {

// The settings keys as the file stores them, in Shift-JIS: texture source, picture file, speed.
inline const QByteArray KeySource("\x89\xE6\x91\x9C");
inline const QByteArray KeyPictureFile("\x89\xE6\x91\x9C\xCC\xA7\xB2\xD9");
inline const QByteArray KeySpeed("\x89\xF1\x93\x5D\x91\xAC\x93\x78");

// "[Section]" and the three keys with the given values as they stand, CRLF after each line; a null
// value leaves its key out.
QByteArray settingsBytes(const QByteArray &source, const QByteArray &pictureFile, const QByteArray &speed);

// File names (no '/') that text conversions tend to change: a no-break space, a line separator, a
// leading byte-order mark, Latin-1 and other bytes that are not UTF-8. Each with a row name.
QList<std::pair<const char *, QByteArray>> awkwardFileNames();
// Writes `bytes` to the file whose name is exactly the bytes of `path`; true when all were written.
bool writeFileNamed(const QByteArray &path, const QByteArray &bytes);
// The names in `folder` of the temporary files a save of `fileName` there would use or leave.
QStringList temporariesOf(const QString &folder, const QString &fileName);

// The file's bytes, or `whenUnreadable` when it cannot be opened.
QByteArray readFile(const QString &path, const QByteArray &whenUnreadable = {});
// Writes all of `bytes` to `path`, replacing it; true when every byte was written.
bool writeFile(const QString &path, const QByteArray &bytes);

// A picture whose left half is `left` and right half `right` (format from the file name unless
// given), saved at the best quality; true when it was written.
bool writeTwoColourPicture(const QString &path, QRgb left, QRgb right, QSize size = QSize(320, 200),
                           const char *format = nullptr);
// A picture of four quadrants: red and green above, blue and white below.
QImage quadrants(QSize size);

} // namespace testfiles

// A name in QCOMPARE's messages: its bytes.
inline char *toString(const FileName &name) { return QTest::toString(name.bytes()); }
