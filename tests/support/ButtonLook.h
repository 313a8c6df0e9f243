// What a skinned button shows: its own drawing read back, and which of the six skins its frame is.
#pragma once

#include "button/SkinnedButton.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace buttonlook {

using Skin = SkinnedButton::Skin;
inline constexpr Skin AllSkins[] = {Skin::Normal,  Skin::HighLight, Skin::Pressed,
                                    Skin::Disable, Skin::Selected,  Skin::HighLightSelect};

// The picture a look copies its frame from, as RGB32.
QImage skinPicture(Skin skin);

// Delivers the resize event that Qt holds back for a widget resized while never shown. Reading a
// hidden button's drawing would deliver it, and the button would repaint its enabled look first:
// settle such a button before painting the look a test reads back.
void settle(SkinnedButton &button);

// What the button draws itself (not its caption label), as RGB32, one pixel per pixel.
QImage painted(SkinnedButton &button);

// The frame a button of `size` shows with `skin`: each piece of the skin layout holds, in every
// pixel, the skin pixel nearest to it (stretched and shrunk edges included). Pixels outside the
// frame are transparent (0).
QImage expectedFrame(QSize size, Skin skin);

// Whether the drawing `image` shows the frame of `skin` in every frame pixel. HighLight.bmp and
// HighLightSelect.bmp are the same picture, so a drawing that shows one shows the other too: tests
// tell those two looks apart by the button's state.
bool showsSkin(const QImage &image, Skin skin);
// The names of the skins whose frame the drawing shows ("no skin" when none), for failure messages.
QByteArray shownSkinNames(const QImage &image);

} // namespace buttonlook

// Fails the test unless what `button` draws now shows the frame of `skin`, naming what it shows.
#define VERIFY_SHOWS_SKIN(button, skin)                                                                 \
    do {                                                                                                \
        const QImage shownImage = buttonlook::painted(button);                                          \
        QVERIFY2(buttonlook::showsSkin(shownImage, skin), buttonlook::shownSkinNames(shownImage).constData()); \
    } while (false)
