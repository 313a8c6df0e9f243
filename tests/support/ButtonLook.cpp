// What a skinned button shows; see ButtonLook.h.
#include "tests/support/ButtonLook.h"

#include "button/SkinLayout.h"
#include "button/Twips.h"

#include <QCoreApplication>
#include <QResizeEvent>

namespace buttonlook {

namespace {
const char *const SkinNames[] = {"Normal", "HighLight", "Pressed", "Disable", "Selected", "HighLightSelect"};
} // namespace

QImage skinPicture(Skin skin)
{
    return QImage(QStringLiteral(":/button/%1.bmp").arg(QLatin1String(SkinNames[int(skin)])))
        .convertToFormat(QImage::Format_RGB32);
}

void settle(SkinnedButton &button)
{
    if (!button.testAttribute(Qt::WA_PendingResizeEvent))
        return;
    QResizeEvent resize(button.size(), QSize());
    QCoreApplication::sendEvent(&button, &resize);
    button.setAttribute(Qt::WA_PendingResizeEvent, false);
}

QImage painted(SkinnedButton &button)
{
    QImage image(button.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    button.render(&image, QPoint(), QRegion(), QWidget::RenderFlags()); // no background, no children
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage expectedFrame(QSize size, Skin skin)
{
    const QImage picture = skinPicture(skin);
    QImage frame(size, QImage::Format_ARGB32);
    frame.fill(0);
    ButtonLogic::SkinLayout layout;
    layout.update(size.width() * double(Twips::PerPixel), size.height() * double(Twips::PerPixel));
    for (const ButtonLogic::FramePiece &piece : layout.pieces()) {
        const QRect t = piece.target, s = piece.source;
        for (int y = t.top(); y <= t.bottom(); ++y)
            for (int x = t.left(); x <= t.right(); ++x) {
                // Nearest pixel: the source pixel under the middle of the target pixel.
                const int sx = s.left() + (2 * (x - t.left()) + 1) * s.width() / (2 * t.width());
                const int sy = s.top() + (2 * (y - t.top()) + 1) * s.height() / (2 * t.height());
                frame.setPixel(x, y, picture.pixel(sx, sy));
            }
    }
    return frame;
}

bool showsSkin(const QImage &image, Skin skin)
{
    const QImage shown = image.convertToFormat(QImage::Format_RGB32);
    const QImage frame = expectedFrame(shown.size(), skin);
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if (qAlpha(frame.pixel(x, y)) != 0 && frame.pixel(x, y) != shown.pixel(x, y))
                return false;
    return true;
}

QByteArray shownSkinNames(const QImage &image)
{
    QByteArray names;
    for (Skin skin : AllSkins)
        if (showsSkin(image, skin))
            names += QByteArray(names.isEmpty() ? "shows " : " ") + SkinNames[int(skin)];
    return names.isEmpty() ? QByteArray("shows no skin") : names;
}

} // namespace buttonlook
