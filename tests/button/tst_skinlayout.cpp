// The button's layout arithmetic: frame pieces in pixels for the dialog's button sizes, the caption's
// top, the 16-bit limit of the layout values and the rectangle gradient's row colours.
#include "button/SkinLayout.h"

#include <QTest>

using ButtonLogic::FramePiece;
using ButtonLogic::SkinLayout;

Q_DECLARE_METATYPE(ButtonLogic::FramePiece)

class tst_skinlayout : public QObject
{
    Q_OBJECT
private slots:
    void layoutValuesFollowTheSize_data();
    void layoutValuesFollowTheSize();
    void piecesLandOnPixelBoundaries_data();
    void piecesLandOnPixelBoundaries();
    void valuesBeyondSixteenBitsKeepThePreviousOnes();
    void gradientRowColours_data();
    void gradientRowColours();
};

void tst_skinlayout::layoutValuesFollowTheSize_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("middleWidth");
    QTest::addColumn<int>("middleHeight");
    QTest::addColumn<int>("rightEdgeX");
    QTest::addColumn<int>("bottomEdgeY");
    QTest::addColumn<double>("captionTop");

    QTest::newRow("save and cancel 1095x375") << 1095.0 << 375.0 << 975 << 255 << 1035 << 315 << 80.0;
    QTest::newRow("browse 555x315") << 555.0 << 315.0 << 435 << 195 << 495 << 255 << 50.0;
    QTest::newRow("skin size 960x375") << 960.0 << 375.0 << 840 << 255 << 900 << 315 << 80.0;
    QTest::newRow("design size 1755x420") << 1755.0 << 420.0 << 1635 << 300 << 1695 << 360 << 102.5;
    QTest::newRow("half twip rounds to even down") << 1000.5 << 400.5 << 880 << 280 << 940 << 340 << 92.75;
    QTest::newRow("half twip rounds to even up") << 1001.5 << 401.5 << 882 << 282 << 942 << 342 << 93.25;
}

void tst_skinlayout::layoutValuesFollowTheSize()
{
    QFETCH(double, width);
    QFETCH(double, height);
    SkinLayout layout;
    QVERIFY(layout.update(width, height));
    QTEST(int(layout.middleWidth()), "middleWidth");
    QTEST(int(layout.middleHeight()), "middleHeight");
    QTEST(int(layout.rightEdgeX()), "rightEdgeX");
    QTEST(int(layout.bottomEdgeY()), "bottomEdgeY");
    QTEST(SkinLayout::captionTop(height, 195), "captionTop");
}

void tst_skinlayout::piecesLandOnPixelBoundaries_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("piece");
    QTest::addColumn<QRect>("target");
    QTest::addColumn<QRect>("source");

    // The skin's own pieces: corners 4x4, edges 56 wide or 17 high.
    const QRect topLeft(0, 0, 4, 4), top(4, 0, 56, 4), topRight(60, 0, 4, 4), right(60, 4, 4, 17);
    const QRect bottomRight(60, 21, 4, 4), bottom(4, 21, 56, 4), bottomLeft(0, 21, 4, 4), left(0, 4, 4, 17);

    // 73x25 pixels: top and bottom edges stretched to 65, sides not stretched.
    QTest::newRow("73x25 top-left") << 1095.0 << 375.0 << 0 << QRect(0, 0, 4, 4) << topLeft;
    QTest::newRow("73x25 top") << 1095.0 << 375.0 << 1 << QRect(4, 0, 65, 4) << top;
    QTest::newRow("73x25 top-right") << 1095.0 << 375.0 << 2 << QRect(69, 0, 4, 4) << topRight;
    QTest::newRow("73x25 right") << 1095.0 << 375.0 << 3 << QRect(69, 4, 4, 17) << right;
    QTest::newRow("73x25 bottom-right") << 1095.0 << 375.0 << 4 << QRect(69, 21, 4, 4) << bottomRight;
    QTest::newRow("73x25 bottom") << 1095.0 << 375.0 << 5 << QRect(4, 21, 65, 4) << bottom;
    QTest::newRow("73x25 bottom-left") << 1095.0 << 375.0 << 6 << QRect(0, 21, 4, 4) << bottomLeft;
    QTest::newRow("73x25 left") << 1095.0 << 375.0 << 7 << QRect(0, 4, 4, 17) << left;
    // 37x21 pixels: edges shrunk to 29 and 13.
    QTest::newRow("37x21 top") << 555.0 << 315.0 << 1 << QRect(4, 0, 29, 4) << top;
    QTest::newRow("37x21 top-right") << 555.0 << 315.0 << 2 << QRect(33, 0, 4, 4) << topRight;
    QTest::newRow("37x21 right") << 555.0 << 315.0 << 3 << QRect(33, 4, 4, 13) << right;
    QTest::newRow("37x21 bottom-right") << 555.0 << 315.0 << 4 << QRect(33, 17, 4, 4) << bottomRight;
    QTest::newRow("37x21 bottom") << 555.0 << 315.0 << 5 << QRect(4, 17, 29, 4) << bottom;
    QTest::newRow("37x21 bottom-left") << 555.0 << 315.0 << 6 << QRect(0, 17, 4, 4) << bottomLeft;
    QTest::newRow("37x21 left") << 555.0 << 315.0 << 7 << QRect(0, 4, 4, 13) << left;
    // 64x25 pixels: every piece lands where it comes from.
    QTest::newRow("64x25 top") << 960.0 << 375.0 << 1 << top << top;
    QTest::newRow("64x25 right") << 960.0 << 375.0 << 3 << right << right;
    QTest::newRow("64x25 bottom-right") << 960.0 << 375.0 << 4 << bottomRight << bottomRight;
    QTest::newRow("64x25 left") << 960.0 << 375.0 << 7 << left << left;
}

void tst_skinlayout::piecesLandOnPixelBoundaries()
{
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(int, piece);
    SkinLayout layout;
    QVERIFY(layout.update(width, height));
    const FramePiece got = layout.pieces().at(piece);
    QTEST(got.target, "target");
    QTEST(got.source, "source");
}

void tst_skinlayout::valuesBeyondSixteenBitsKeepThePreviousOnes()
{
    SkinLayout layout;
    QVERIFY(layout.update(1095, 375));
    // The middle width beyond 16 bits: it stays, and the right edge is computed from the kept one.
    QVERIFY(!layout.update(32767 + 121, 375));
    QCOMPARE(int(layout.middleWidth()), 975);
    QCOMPARE(int(layout.middleHeight()), 255);
    QCOMPARE(int(layout.rightEdgeX()), 1035);
    // The middle width fits but the right edge (60 + middle width) does not: only the first is stored.
    QVERIFY(!layout.update(32767 + 120, 375));
    QCOMPARE(int(layout.middleWidth()), 32767);
    QCOMPARE(int(layout.rightEdgeX()), 1035);
    // The widest button whose values all fit.
    QVERIFY(layout.update(32707 + 120, 375));
    QCOMPARE(int(layout.middleWidth()), 32707);
    QCOMPARE(int(layout.rightEdgeX()), 32767);
    QVERIFY(!layout.update(qInf(), 375));
    QVERIFY(!layout.update(qQNaN(), 375));
    QCOMPARE(int(layout.middleWidth()), 32707);
}

void tst_skinlayout::gradientRowColours_data()
{
    QTest::addColumn<quint32>("top");
    QTest::addColumn<quint32>("bottom");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("lastRow");
    QTest::addColumn<quint32>("colour");

    const quint32 white = 0xffffff, shade = 0xc6c5d7;
    // A 25-pixel button: rows 0..23 are filled, vertex 1 sits on row 24.
    QTest::newRow("idle first row") << white << shade << 0 << 24 << white;
    QTest::newRow("idle row 4") << white << shade << 4 << 24 << 0xf5f5f8u;   // 245.5 245.3 248.3
    QTest::newRow("idle row 20") << white << shade << 20 << 24 << 0xcfceddu;  // 207.5 206.7 221.7
    QTest::newRow("idle last row") << white << shade << 23 << 24 << 0xc8c7d8u; // 200.4 199.4 216.7
    QTest::newRow("hover first row") << shade << white << 0 << 24 << shade;
    QTest::newRow("hover row 4") << shade << white << 4 << 24 << 0xcfceddu;
    QTest::newRow("hover row 20") << shade << white << 20 << 24 << 0xf5f5f8u;
    QTest::newRow("hover last row") << shade << white << 23 << 24 << 0xfcfcfdu; // 252.6 252.6 253.3
    // A 21-pixel button: rows 0..19.
    QTest::newRow("browse last row") << white << shade << 19 << 20 << 0xc8c7d9u; // 200.85 199.9 217.0
    QTest::newRow("one filled row") << shade << white << 0 << 1 << shade;
}

void tst_skinlayout::gradientRowColours()
{
    QFETCH(quint32, top);
    QFETCH(quint32, bottom);
    QFETCH(int, row);
    QFETCH(int, lastRow);
    QFETCH(quint32, colour);
    QCOMPARE(SkinLayout::gradientRowColour(top, bottom, row, lastRow), colour);
}

QTEST_APPLESS_MAIN(tst_skinlayout)
#include "tst_skinlayout.moc"
