// A picture file's pixels, decoded by one rule for the saver's wall and the settings dialog's preview.
#pragma once

#include <QImage>

class FileName;

class PictureFile
{
public:
    // Largest decoded picture accepted, in megabytes of decoded pixels; a larger picture counts as
    // undecodable instead of claiming the memory.
    static constexpr int DecodeLimitMegabytes = 128;

    // The picture that `name` names, at its natural size, as opaque() gives it; a null image when
    // it cannot be read or decoded or is larger than the decode limit. The file is opened once,
    // without waiting (a named pipe or a device is refused at once), checked to be a regular file
    // on that descriptor and decoded from it; its format is told by its contents, and orientation
    // tags are not applied: the pixels are taken as stored.
    static QImage decode(const FileName &name);

    // `picture` as Format_RGB32 with every pixel's stored colour kept and its alpha ignored.
    static QImage opaque(const QImage &picture);
};
