// Files the tests write and read; see TestFiles.h.
#include "tests/support/TestFiles.h"

#include <QFile>
#include <QImage>
#include <QPainter>

namespace testfiles {

QByteArray settingsBytes(const QByteArray &source, const QByteArray &pictureFile, const QByteArray &speed)
{
    QByteArray bytes = "[Section]\r\n";
    const auto add = [&bytes](const QByteArray &key, const QByteArray &value) {
        if (!value.isNull())
            bytes += key + '=' + value + "\r\n";
    };
    add(KeySource, source);
    add(KeyPictureFile, pictureFile);
    add(KeySpeed, speed);
    return bytes;
}

QByteArray readFile(const QString &path, const QByteArray &whenUnreadable)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : whenUnreadable;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writeTwoColourPicture(const QString &path, QRgb left, QRgb right, QSize size, const char *format)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(right);
    QPainter(&picture).fillRect(QRect(0, 0, size.width() / 2, size.height()), QColor::fromRgb(left));
    return picture.save(path, format, 100);
}

} // namespace testfiles
