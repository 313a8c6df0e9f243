// Writes the built-in pictures into a folder: button/*.bmp skins, dialog/* pictures and the wall.
#include "resources/art/DialogArtPainter.h"
#include "resources/art/SkinPainter.h"
#include "resources/art/WallPainter.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <cstdio>

namespace {

constexpr int JpegQuality = 92;

bool Save(const QImage &image, const QString &path, const char *format, int quality = -1)
{
    QImageWriter writer(path, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(image)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv); // QPainter text and smooth scaling need the GUI module set up
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath("button") || !out.mkpath("dialog") || !out.mkpath("wall")) {
        std::fprintf(stderr, "cannot create folders under %s\n", argv[1]);
        return 1;
    }
    using Look = SkinPainter::Look;
    const QImage highLight = SkinPainter::Draw(Look::HighLight);
    bool ok = Save(SkinPainter::Draw(Look::Normal), out.filePath("button/Normal.bmp"), "bmp")
        && Save(highLight, out.filePath("button/HighLight.bmp"), "bmp")
        && Save(highLight, out.filePath("button/HighLightSelect.bmp"), "bmp")
        && Save(SkinPainter::Draw(Look::Pressed), out.filePath("button/Pressed.bmp"), "bmp")
        && Save(SkinPainter::Draw(Look::Disable), out.filePath("button/Disable.bmp"), "bmp")
        && Save(SkinPainter::Draw(Look::Selected), out.filePath("button/Selected.bmp"), "bmp")
        && Save(DialogArtPainter::Icon(), out.filePath("dialog/icon.png"), "png")
        && Save(DialogArtPainter::Pointer(), out.filePath("dialog/pointer.png"), "png")
        && Save(DialogArtPainter::HeadingPlate(), out.filePath("dialog/heading.jpg"), "jpeg", JpegQuality)
        && Save(DialogArtPainter::PanelTile(), out.filePath("dialog/tile.bmp"), "bmp")
        && Save(DialogArtPainter::OptionMark(true), out.filePath("dialog/option_on.jpg"), "jpeg", JpegQuality)
        && Save(DialogArtPainter::OptionMark(false), out.filePath("dialog/option_off.jpg"), "jpeg", JpegQuality)
        && Save(WallPainter::Draw(), out.filePath("wall/wall.png"), "png");
    return ok ? 0 : 1;
}
