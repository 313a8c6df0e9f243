// The button's drawing: frame pieces of every skin land where the layout puts them, stretched or not,
// the gradient rows are the system gradient's exact colours, and the caption is centred.
#include "button/SkinLayout.h"
#include "button/SkinnedButton.h"
#include "tests/support/ButtonLook.h"

#include <QLabel>
#include <QMouseEvent>
#include <QTest>

using ButtonLogic::SkinLayout;
using buttonlook::AllSkins;
using buttonlook::Skin;

namespace {

// What a button of `size` draws with `skin`: painted in the idle state or, with `hoverGradient`, in
// the hover state, whose gradient runs the other way.
QImage paintedWith(QSize size, Skin skin, bool hoverGradient)
{
    SkinnedButton button;
    button.resize(size);
    buttonlook::settle(button);
    button.setButtonEnabled(true);
    if (hoverGradient) {
        // Reach the hover state's gradient without input: a repaint in StateHighLight sets it.
        button.startHoverTracking();
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&button, &move);
    }
    button.paintSkin(skin);
    return buttonlook::painted(button);
}

} // namespace

class tst_skinnedbuttonpaint : public QObject
{
    Q_OBJECT
private slots:
    void framePiecesLandWhereTheLayoutSays_data();
    void framePiecesLandWhereTheLayoutSays();
    void skinSizedButtonReproducesTheFrame();
    void gradientRowsAreExact_data();
    void gradientRowsAreExact();
    void captionIsCentredAboveTheMiddle_data();
    void captionIsCentredAboveTheMiddle();
};

void tst_skinnedbuttonpaint::framePiecesLandWhereTheLayoutSays_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("skin");
    for (const QSize size : {QSize(73, 25), QSize(37, 21), QSize(64, 25), QSize(117, 28)})
        for (Skin skin : AllSkins)
            QTest::addRow("%dx%d skin %d", size.width(), size.height(), int(skin)) << size << int(skin);
}

// Every frame pixel equals the skin pixel it is copied from; stretched and shrunk edges take the
// nearest source pixel.
void tst_skinnedbuttonpaint::framePiecesLandWhereTheLayoutSays()
{
    QFETCH(QSize, size);
    QFETCH(int, skin);
    const QImage surface = paintedWith(size, Skin(skin), false);
    QCOMPARE(surface.size(), size);

    SkinLayout layout;
    QVERIFY(layout.update(size.width() * 15.0, size.height() * 15.0));
    const QImage expected = buttonlook::expectedFrame(size, Skin(skin));
    QRegion covered;
    for (const ButtonLogic::FramePiece &piece : layout.pieces()) {
        const QRect t = piece.target;
        covered += t;
        for (int y = t.top(); y <= t.bottom(); ++y)
            for (int x = t.left(); x <= t.right(); ++x)
                if (surface.pixel(x, y) != expected.pixel(x, y))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 of the piece at %3,%4 is not its nearest skin pixel")
                                         .arg(x).arg(y).arg(t.x()).arg(t.y())));
    }
    // The frame is exactly the outer 4 pixels, and tells the skin from every skin with another picture.
    const QRect all(QPoint(0, 0), size);
    QCOMPARE(covered, QRegion(all) - QRegion(all.adjusted(4, 4, -4, -4)));
    for (Skin other : AllSkins)
        QCOMPARE(buttonlook::showsSkin(surface, other), buttonlook::skinPicture(other) == buttonlook::skinPicture(Skin(skin)));
}

void tst_skinnedbuttonpaint::skinSizedButtonReproducesTheFrame()
{
    for (Skin skin : AllSkins) {
        const QImage picture = buttonlook::skinPicture(skin);
        const QImage surface = paintedWith(QSize(64, 25), skin, false);
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < 64; ++x)
                if (x < 4 || x >= 60 || y < 4 || y >= 21)
                    QCOMPARE(surface.pixel(x, y), picture.pixel(x, y));
    }
}

void tst_skinnedbuttonpaint::gradientRowsAreExact_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("hover");
    QTest::addColumn<int>("row");
    QTest::addColumn<QRgb>("colour");

    // Worked out by hand: each channel is the integer part of the weighted mean over 24 row steps.
    QTest::newRow("idle row 4") << QSize(73, 25) << false << 4 << QRgb(0xfff5f5f8);
    QTest::newRow("idle row 20") << QSize(73, 25) << false << 20 << QRgb(0xffcfcedd);
    QTest::newRow("hover row 4") << QSize(73, 25) << true << 4 << QRgb(0xffcfcedd);
    QTest::newRow("hover row 20") << QSize(73, 25) << true << 20 << QRgb(0xfff5f5f8);
    // 37x21: 20 row steps; row 4 = (255*16 + c*4) / 20.
    QTest::newRow("browse idle row 4") << QSize(37, 21) << false << 4 << QRgb(0xfff3f3f7);
    QTest::newRow("browse hover row 16") << QSize(37, 21) << true << 16 << QRgb(0xfff3f3f7);
}

void tst_skinnedbuttonpaint::gradientRowsAreExact()
{
    QFETCH(QSize, size);
    QFETCH(bool, hover);
    QFETCH(int, row);
    QFETCH(QRgb, colour);
    const QImage surface = paintedWith(size, Skin::Normal, hover);
    for (int x = 4; x < size.width() - 4; ++x)
        QCOMPARE(surface.pixel(x, row), colour);

    // Every visible row, against the row colours of the system gradient, and uniform across.
    const quint32 white = 0xffffff, shade = 0xc6c5d7;
    for (int y = 4; y < size.height() - 4; ++y) {
        const quint32 expected = SkinLayout::gradientRowColour(hover ? shade : white, hover ? white : shade, y, size.height() - 1);
        QCOMPARE(surface.pixel(size.width() / 2, y) & 0xffffff, expected);
    }
}

void tst_skinnedbuttonpaint::captionIsCentredAboveTheMiddle_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("geometry");
    // Top 80 twips (5.3 pixels) and 50 twips (3.3 pixels); the label is 195 twips (13 pixels) high.
    QTest::newRow("1095x375") << QSize(73, 25) << QRect(0, 5, 73, 13);
    QTest::newRow("555x315") << QSize(37, 21) << QRect(0, 3, 37, 13);
    QTest::newRow("960x375") << QSize(64, 25) << QRect(0, 5, 64, 13);
}

void tst_skinnedbuttonpaint::captionIsCentredAboveTheMiddle()
{
    QFETCH(QSize, size);
    SkinnedButton button;
    button.resize(size);
    button.setButtonEnabled(true);
    const auto *caption = button.findChild<QLabel *>(QStringLiteral("caption"));
    QVERIFY(caption);
    QTEST(caption->geometry(), "geometry");
    QVERIFY(caption->alignment() & Qt::AlignHCenter);
}

QTEST_MAIN(tst_skinnedbuttonpaint)
#include "tst_skinnedbuttonpaint.moc"
