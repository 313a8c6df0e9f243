// Files the tests write and read; see TestFiles.h.
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>

#include <fcntl.h>
#include <unistd.h>

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

QList<std::pair<const char *, QByteArray>> awkwardFileNames()
{
    return {
        {"no-break space", "a\xC2\xA0" "b.bmp"},
        {"line separator", "a\xE2\x80\xA8" "b.bmp"},
        {"paragraph separator and tab", "a\xE2\x80\xA9\tb.bmp"},
        {"leading byte-order mark", "\xEF\xBB\xBF" "b.bmp"},
        {"Latin-1, not UTF-8", "caf\xE9.bmp"},
        {"stray bytes, not UTF-8", "\xFF\xFE\x80\xC0\xAF.bmp"},
        {"encoded surrogate, not UTF-8", "\xED\xB2\x80.bmp"},
    };
}

bool writeFileNamed(const QByteArray &path, const QByteArray &bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && written;
}

QStringList temporariesOf(const QString &folder, const QString &fileName)
{
    const QRegularExpression pattern(u'^' + QRegularExpression::escape(u'.' + fileName + u'.')
                                     + QStringLiteral("[A-Za-z0-9]{6}$"));
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System).filter(pattern);
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

QImage quadrants(QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    const int w = size.width() / 2;
    const int h = size.height() / 2;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            picture.setPixel(x, y, y < h ? (x < w ? 0xffff0000 : 0xff00ff00) : (x < w ? 0xff0000ff : 0xffffffff));
    return picture;
}

} // namespace testfiles
