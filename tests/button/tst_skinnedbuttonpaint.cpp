// The button's drawing: frame pieces of every skin land where the layout puts them, stretched or not,
// the gradient rows are the system gradient's exact colours, and the caption is centred.
#include "Command.h"

#include "SkinLayout.h"

#include <QLabel>
#include <QTest>

using ButtonLogic::SkinLayout;
using Skin = Command::Skin;

namespace {

constexpr Skin AllSkins[] = {Skin::Normal, Skin::HighLight, Skin::Pressed, Skin::Disable, Skin::Selected, Skin::HighLightSelect};

QImage SkinPicture(Skin skin)
{
    static const char *const paths[] = {":/button/Normal.bmp", ":/button/HighLight.bmp", ":/button/Pressed.bmp",
                                        ":/button/Disable.bmp", ":/button/Selected.bmp", ":/button/HighLightSelect.bmp"};
    return QImage(paths[int(skin)]).convertToFormat(QImage::Format_RGB32);
}

QImage Paint(QSize size, Skin skin, bool hoverGradient)
{
    Command button;
    button.resize(size);
    button.SetEnabled(true);
    if (hoverGradient) {
        // Reach the hover state's gradient without input: a repaint in StateHighLight sets it.
        button.Initialize();
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&button, &move);
    }
    button.PaintSkin(skin);
    return button.Surface().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class CommandPaintTest : public QObject
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

void CommandPaintTest::framePiecesLandWhereTheLayoutSays_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("skin");
    for (const QSize size : {QSize(73, 25), QSize(37, 21), QSize(64, 25), QSize(117, 28)})
        for (Skin skin : AllSkins)
            QTest::addRow("%dx%d skin %d", size.width(), size.height(), int(skin)) << size << int(skin);
}

// Every frame pixel equals the skin pixel it is copied from; stretched and shrunk edges take the
// nearest source pixel.
void CommandPaintTest::framePiecesLandWhereTheLayoutSays()
{
    QFETCH(QSize, size);
    QFETCH(int, skin);
    const QImage picture = SkinPicture(Skin(skin));
    const QImage surface = Paint(size, Skin(skin), false);
    QCOMPARE(surface.size(), size);

    SkinLayout layout;
    QVERIFY(layout.Update(size.width() * 15.0, size.height() * 15.0));
    QRegion covered;
    for (const ButtonLogic::FramePiece &piece : layout.Pieces()) {
        const QRect t = piece.target, s = piece.source;
        covered += t;
        for (int y = t.top(); y <= t.bottom(); ++y) {
            for (int x = t.left(); x <= t.right(); ++x) {
                // Nearest pixel: the source pixel under the middle of the target pixel.
                const int sx = s.left() + (2 * (x - t.left()) + 1) * s.width() / (2 * t.width());
                const int sy = s.top() + (2 * (y - t.top()) + 1) * s.height() / (2 * t.height());
                if (surface.pixel(x, y) != picture.pixel(sx, sy))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 of piece %3 is not skin pixel %4,%5")
                                         .arg(x).arg(y).arg(QString::number(t.x()) + "," + QString::number(t.y()))
                                         .arg(sx).arg(sy)));
            }
        }
    }
    // The frame is exactly the outer 4 pixels.
    const QRect all(QPoint(0, 0), size);
    QCOMPARE(covered, QRegion(all) - QRegion(all.adjusted(4, 4, -4, -4)));
}

void CommandPaintTest::skinSizedButtonReproducesTheFrame()
{
    for (Skin skin : AllSkins) {
        const QImage picture = SkinPicture(skin);
        const QImage surface = Paint(QSize(64, 25), skin, false);
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < 64; ++x)
                if (x < 4 || x >= 60 || y < 4 || y >= 21)
                    QCOMPARE(surface.pixel(x, y), picture.pixel(x, y));
    }
}

void CommandPaintTest::gradientRowsAreExact_data()
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

void CommandPaintTest::gradientRowsAreExact()
{
    QFETCH(QSize, size);
    QFETCH(bool, hover);
    QFETCH(int, row);
    QFETCH(QRgb, colour);
    const QImage surface = Paint(size, Skin::Normal, hover);
    for (int x = 4; x < size.width() - 4; ++x)
        QCOMPARE(surface.pixel(x, row), colour);

    // Every visible row, against the row colours of the system gradient, and uniform across.
    const quint32 white = 0xffffff, shade = 0xc6c5d7;
    for (int y = 4; y < size.height() - 4; ++y) {
        const quint32 expected = SkinLayout::GradientRowColour(hover ? shade : white, hover ? white : shade, y, size.height() - 1);
        QCOMPARE(surface.pixel(size.width() / 2, y) & 0xffffff, expected);
    }
}

void CommandPaintTest::captionIsCentredAboveTheMiddle_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("geometry");
    // Top 80 twips (5.3 pixels) and 50 twips (3.3 pixels); the label is 195 twips (13 pixels) high.
    QTest::newRow("1095x375") << QSize(73, 25) << QRect(0, 5, 73, 13);
    QTest::newRow("555x315") << QSize(37, 21) << QRect(0, 3, 37, 13);
    QTest::newRow("960x375") << QSize(64, 25) << QRect(0, 5, 64, 13);
}

void CommandPaintTest::captionIsCentredAboveTheMiddle()
{
    QFETCH(QSize, size);
    Command button;
    button.resize(size);
    button.SetEnabled(true);
    QTEST(button.LblMsg()->geometry(), "geometry");
    QVERIFY(button.LblMsg()->alignment() & Qt::AlignHCenter);
}

QTEST_MAIN(CommandPaintTest)
#include "CommandPaintTest.moc"
