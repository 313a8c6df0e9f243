// Unit tests of the dialog's arithmetic: control rectangles, window placement, gradient levels,
// panel tiling, preview sizes, the outline's frames, value texts and the file filter.
#include "DialogLayout.h"
#include "DialogValues.h"
#include "PictureNameFilter.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <vector>
#include <limits>

class DialogLayoutTest : public QObject
{
    Q_OBJECT
private slots:
    void controlRectangleInPixels_data();
    void controlRectangleInPixels();
    void everyControlHasOnePlace();
    void windowPosition_data();
    void windowPosition();
    void gradientLevel_data();
    void gradientLevel();
    void tileOriginsFollowTheCopyOrder();
    void tileOriginsCoverTarget_data();
    void tileOriginsCoverTarget();
    void tileWithoutAreaCopiesNothing();
    void previewSize_data();
    void previewSize();
    void animationFrame_data();
    void animationFrame();
    void speedPosition_data();
    void speedPosition();
    void speedText_data();
    void speedText();
    void settingNumber_data();
    void settingNumber();
    void singleLineDropsLineBreaks();
    void filterMatches_data();
    void filterMatches();
    void filterTexts();
};

void DialogLayoutTest::controlRectangleInPixels_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("pixels");
    QTest::addColumn<int>("container");
    const int W = int(DialogLayout::Container::Window);
    const int B = int(DialogLayout::Container::UpperPanel);
    const int D = int(DialogLayout::Container::LowerPanel);
    // The designed twips divided by 15.
    QTest::newRow("Pic_B") << "Pic_B" << QRect(12, 12, 365, 101) << W;
    QTest::newRow("Img_TT(0)") << "Img_TT(0)" << QRect(8, 8, 95, 22) << B;
    QTest::newRow("lbl(0)") << "lbl(0)" << QRect(8, 12, 95, 13) << B;
    QTest::newRow("Img_Sel(0)") << "Img_Sel(0)" << QRect(116, 12, 13, 13) << B;
    QTest::newRow("lbl_Sel(0)") << "lbl_Sel(0)" << QRect(132, 12, 83, 13) << B;
    QTest::newRow("Img_Sel(1)") << "Img_Sel(1)" << QRect(116, 32, 13, 13) << B;
    QTest::newRow("lbl_Sel(1)") << "lbl_Sel(1)" << QRect(132, 32, 92, 13) << B;
    QTest::newRow("Cmd_Pic") << "Cmd_Pic" << QRect(228, 28, 37, 21) << B;
    QTest::newRow("Pname") << "Pname" << QRect(8, 56, 257, 33) << B;
    QTest::newRow("Display") << "Display" << QRect(272, 8, 80, 80) << B;
    QTest::newRow("Pic_D") << "Pic_D" << QRect(12, 120, 365, 57) << W;
    QTest::newRow("Img_TT(2)") << "Img_TT(2)" << QRect(8, 8, 95, 22) << D;
    QTest::newRow("lbl(3)") << "lbl(3)" << QRect(8, 12, 95, 13) << D;
    QTest::newRow("lbl(4)") << "lbl(4)" << QRect(116, 12, 27, 13) << D;
    QTest::newRow("HS_Fast") << "HS_Fast" << QRect(148, 12, 117, 17) << D;
    QTest::newRow("lbl(5)") << "lbl(5)" << QRect(272, 12, 25, 13) << D;
    QTest::newRow("lbl_Fast") << "lbl_Fast" << QRect(148, 32, 117, 13) << D;
    QTest::newRow("lbl(9)") << "lbl(9)" << QRect(12, 184, 165, 13) << W;
    QTest::newRow("lbl_URL") << "lbl_URL" << QRect(12, 200, 214, 13) << W;
    QTest::newRow("Cmd_Can") << "Cmd_Can" << QRect(232, 192, 73, 25) << W;
    QTest::newRow("Cmd_Set") << "Cmd_Set" << QRect(304, 192, 73, 25) << W;
    QTest::newRow("Pic_Dummy") << "Pic_Dummy" << QRect(496, 108, 57, 53) << W;
    QTest::newRow("Pic_Mbl") << "Pic_Mbl" << QRect(500, 60, 563, 21) << W;
    QTest::newRow("Img_Opt_On") << "Img_Opt_On" << QRect(504, 88, 12, 12) << W;
    QTest::newRow("Img_Opt_Off") << "Img_Opt_Off" << QRect(520, 88, 12, 12) << W;
}

void DialogLayoutTest::controlRectangleInPixels()
{
    QFETCH(QString, name);
    QFETCH(QRect, pixels);
    QFETCH(int, container);
    const auto place = DialogLayout::place(name);
    QVERIFY(place);
    QCOMPARE(DialogLayout::pixelRect(*place), pixels);
    QCOMPARE(int(place->container), container);
}

void DialogLayoutTest::everyControlHasOnePlace()
{
    QSet<QString> names;
    for (const auto &p : DialogLayout::places())
        names.insert(QLatin1String(p.name));
    QCOMPARE(names.size(), DialogLayout::ControlCount);
    QVERIFY(!DialogLayout::place(QStringLiteral("lbl(1)"))); // lbl has members 0, 3, 4, 5, 9 only
    // Every visible control of the window lies inside the client area; the stores lie right of it.
    for (const auto &p : DialogLayout::places()) {
        const QRect r = DialogLayout::pixelRect(p);
        const bool store = QByteArray(p.name).startsWith("Pic_Dummy") || QByteArray(p.name).startsWith("Pic_Mbl")
            || QByteArray(p.name).startsWith("Img_Opt");
        if (p.container == DialogLayout::Container::Window)
            QCOMPARE(QRect(0, 0, DialogLayout::ClientWidth, DialogLayout::ClientHeight).contains(r), !store);
    }
}

void DialogLayoutTest::windowPosition_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QPoint>("twips");
    QTest::addColumn<QPoint>("pixels");
    QTest::newRow("1024x768") << QSize(1024, 768) << QPoint(4717, 2505) << QPoint(314, 167);
    QTest::newRow("800x600") << QSize(800, 600) << QPoint(3037, 1665) << QPoint(202, 111);
    QTest::newRow("1920x1080") << QSize(1920, 1080) << QPoint(11437, 4065) << QPoint(762, 271);
    // A screen smaller than the window: the quotients truncate toward zero, not down.
    QTest::newRow("320x200") << QSize(320, 200) << QPoint(-562, -335) << QPoint(-37, -22);
}

void DialogLayoutTest::windowPosition()
{
    QFETCH(QSize, screen);
    QFETCH(QPoint, twips);
    QFETCH(QPoint, pixels);
    QCOMPARE(DialogLayout::windowPositionTwips(screen * DialogLayout::TwipsPerPixel), twips);
    QCOMPARE(DialogLayout::windowPosition(screen), pixels);
}

void DialogLayoutTest::gradientLevel_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("level");
    // A 242-pixel client area, levels from |sin(row / (242 / 3.142)) * 220| rounded.
    QTest::newRow("top edge") << 0 << 0;
    QTest::newRow("second row") << 1 << 3;
    QTest::newRow("quarter") << 60 << 155;
    QTest::newRow("middle") << 121 << 220;
    QTest::newRow("three quarters") << 180 << 159;
    QTest::newRow("bottom row") << 241 << 3;
    QTest::newRow("past the bottom (sine slightly negative)") << 242 << 0;
}

void DialogLayoutTest::gradientLevel()
{
    QFETCH(int, row);
    QFETCH(int, level);
    QCOMPARE(DialogLayout::gradientLevel(row, DialogLayout::ClientHeight), level);
}

void DialogLayoutTest::tileOriginsFollowTheCopyOrder()
{
    // The real tile on the upper panel's 361 x 97 surface: down the first column to a row past the
    // bottom edge, then one more column, which already reaches past the right edge.
    QList<QPoint> expected;
    for (int x : {0, 563})
        for (int y : {0, 21, 42, 63, 84, 105})
            expected.append(QPoint(x, y));
    QCOMPARE(DialogLayout::tileOrigins(QSize(563, 21), QSize(361, 97)), expected);
}

void DialogLayoutTest::tileOriginsCoverTarget_data()
{
    QTest::addColumn<QSize>("tile");
    QTest::addColumn<QSize>("target");
    QTest::newRow("tile wider than target") << QSize(563, 21) << QSize(361, 53);
    QTest::newRow("neither side a multiple") << QSize(7, 5) << QSize(23, 17);
    QTest::newRow("exact multiple") << QSize(10, 10) << QSize(30, 20);
    QTest::newRow("one pixel tile") << QSize(1, 1) << QSize(4, 3);
    QTest::newRow("tile taller than target") << QSize(3, 50) << QSize(10, 9);
    QTest::newRow("empty target") << QSize(4, 4) << QSize(0, 0);
}

void DialogLayoutTest::tileOriginsCoverTarget()
{
    QFETCH(QSize, tile);
    QFETCH(QSize, target);
    const QList<QPoint> origins = DialogLayout::tileOrigins(tile, target);
    QVERIFY(!origins.isEmpty());
    QCOMPARE(origins.first(), QPoint(0, 0));
    std::vector<int> copies(size_t(target.width()) * size_t(target.height()), 0);
    for (const QPoint &o : origins) {
        QCOMPARE(o.x() % tile.width(), 0); // copies sit on the tile grid
        QCOMPARE(o.y() % tile.height(), 0);
        for (int y = o.y(); y < std::min(o.y() + tile.height(), target.height()); ++y)
            for (int x = o.x(); x < std::min(o.x() + tile.width(), target.width()); ++x)
                ++copies[size_t(y) * size_t(target.width()) + size_t(x)];
    }
    // Every pixel of the target receives exactly one copy.
    QCOMPARE(std::count(copies.begin(), copies.end(), 1), qsizetype(copies.size()));
}

void DialogLayoutTest::tileWithoutAreaCopiesNothing()
{
    // A tile picture that failed to load must not make the copy loop run forever.
    QVERIFY(DialogLayout::tileOrigins(QSize(0, 21), QSize(361, 97)).isEmpty());
    QVERIFY(DialogLayout::tileOrigins(QSize(563, 0), QSize(361, 97)).isEmpty());
}

void DialogLayoutTest::previewSize_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSizeF>("preview");
    QTest::addColumn<QSize>("drawn");
    QTest::newRow("400x300 wide") << QSize(400, 300) << QSizeF(80, 60) << QSize(80, 60);
    QTest::newRow("300x400 tall") << QSize(300, 400) << QSizeF(60, 80) << QSize(60, 80);
    QTest::newRow("100x100 square") << QSize(100, 100) << QSizeF(80, 80) << QSize(80, 80);
    QTest::newRow("1x1000 sliver") << QSize(1, 1000) << QSizeF(0.08f, 80) << QSize(0, 80);
    QTest::newRow("1000x1 sliver") << QSize(1000, 1) << QSizeF(80, 0.08f) << QSize(80, 0);
    QTest::newRow("57x53 empty store") << QSize(57, 53) << QSizeF(80, 80.0f * 53 / 57) << QSize(80, 74);
    QTest::newRow("640x427 rounds up") << QSize(640, 427) << QSizeF(80, 80.0f * 427 / 640) << QSize(80, 53);
}

void DialogLayoutTest::previewSize()
{
    QFETCH(QSize, picture);
    QFETCH(QSizeF, preview);
    QFETCH(QSize, drawn);
    const QSizeF size = DialogLayout::previewSize(picture);
    QCOMPARE(float(size.width()), float(preview.width()));
    QCOMPARE(float(size.height()), float(preview.height()));
    QCOMPARE(QSize(DialogLayout::roundHalfEven(size.width()), DialogLayout::roundHalfEven(size.height())), drawn);
}

void DialogLayoutTest::animationFrame_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<QRect>("frame");
    // From the pointer point (100, 50) to a 400 x 300 window at (300, 250).
    QTest::newRow("start is the point") << 0.0 << QRect(100, 50, 0, 0);
    QTest::newRow("half way") << 0.5 << QRect(200, 150, 200, 150);
    QTest::newRow("end is the window") << 1.0 << QRect(300, 250, 400, 300);
    QTest::newRow("late tick stays at the window") << 1.7 << QRect(300, 250, 400, 300);
}

void DialogLayoutTest::animationFrame()
{
    QFETCH(double, t);
    QFETCH(QRect, frame);
    QCOMPARE(DialogLayout::animationFrame(QRect(100, 50, 0, 0), QRect(300, 250, 400, 300), t), frame);
}

void DialogLayoutTest::speedPosition_data()
{
    QTest::addColumn<float>("speed");
    QTest::addColumn<int>("position"); // 0: the scroll bar refuses the value
    QTest::newRow("default 20") << 20.0f << 20;
    QTest::newRow("low end 1") << 1.0f << 1;
    QTest::newRow("high end 100") << 100.0f << 100;
    QTest::newRow("1.5 rounds to even 2") << 1.5f << 2;
    QTest::newRow("2.5 rounds to even 2") << 2.5f << 2;
    QTest::newRow("100.5 rounds to even 100") << 100.5f << 100;
    QTest::newRow("0 below range") << 0.0f << 0;
    QTest::newRow("0.5 rounds to 0") << 0.5f << 0;
    QTest::newRow("101 above range") << 101.0f << 0;
    QTest::newRow("500 above range") << 500.0f << 0;
    QTest::newRow("negative") << -4.0f << 0;
    QTest::newRow("past 16 bits") << 70000.0f << 0;
    QTest::newRow("infinite") << std::numeric_limits<float>::infinity() << 0;
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << 0;
}

void DialogLayoutTest::speedPosition()
{
    QFETCH(float, speed);
    QFETCH(int, position);
    QCOMPARE(DialogValues::speedPosition(speed).value_or(0), position);
}

void DialogLayoutTest::speedText_data()
{
    QTest::addColumn<float>("speed");
    QTest::addColumn<QString>("text");
    QTest::newRow("20") << 20.0f << "20";
    QTest::newRow("0") << 0.0f << "0";
    QTest::newRow("500") << 500.0f << "500";
    QTest::newRow("-4") << -4.0f << "-4";
    QTest::newRow("20.9 as a float") << 20.9f << "20.9";
}

void DialogLayoutTest::speedText()
{
    QFETCH(float, speed);
    QFETCH(QString, text);
    QCOMPARE(DialogValues::speedText(speed), text);
}

void DialogLayoutTest::settingNumber_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("desktop") << 0 << " 0";
    QTest::newRow("picture") << 1 << " 1";
    QTest::newRow("other source kept") << 2 << " 2";
    QTest::newRow("speed") << 20 << " 20";
    QTest::newRow("top speed") << 100 << " 100";
    QTest::newRow("negative has its sign") << -3 << "-3";
}

void DialogLayoutTest::settingNumber()
{
    QFETCH(int, value);
    QFETCH(QString, text);
    QCOMPARE(DialogValues::settingNumber(value), text);
}

void DialogLayoutTest::singleLineDropsLineBreaks()
{
    QCOMPARE(DialogValues::singleLine(QStringLiteral("/a/b\r\n/c.jpg\n")), QStringLiteral("/a/b/c.jpg"));
    QCOMPARE(DialogValues::singleLine(QStringLiteral("/写真/a b.jpg")), QStringLiteral("/写真/a b.jpg"));
}

void DialogLayoutTest::filterMatches_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("passes");
    QTest::newRow("a.jpg") << "a.jpg" << true;
    QTest::newRow("a.JPG") << "a.JPG" << true;
    QTest::newRow("aJPG no dot") << "aJPG" << true;
    QTest::newRow("photojpg no dot lower") << "photojpg" << true;
    QTest::newRow("b.bmp") << "b.bmp" << true;
    QTest::newRow("B.BMP") << "B.BMP" << true;
    QTest::newRow("mixed case .Bmp") << "c.Bmp" << true;
    QTest::newRow("a.jpeg") << "a.jpeg" << false;
    QTest::newRow("a.png") << "a.png" << false;
    QTest::newRow("bmp needs its dot") << "abmp" << false;
    QTest::newRow("a.bmpx") << "a.bmpx" << false;
    QTest::newRow("a.jpg.txt") << "a.jpg.txt" << false;
    QTest::newRow("a.jp") << "a.jp" << false;
    QTest::newRow("a.gif") << "a.gif" << false;
    QTest::newRow("empty") << "" << false;
}

void DialogLayoutTest::filterMatches()
{
    QFETCH(QString, name);
    QFETCH(bool, passes);
    QCOMPARE(PictureNameFilter::matches(name), passes);
    // The glob patterns handed to the chooser agree with the matcher.
    bool globPasses = false;
    for (const QString &pattern : PictureNameFilter::patterns())
        globPasses |= QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern),
                                         QRegularExpression::CaseInsensitiveOption)
                          .match(name)
                          .hasMatch();
    QCOMPARE(globPasses, passes);
}

void DialogLayoutTest::filterTexts()
{
    QCOMPARE(PictureNameFilter::description(), QStringLiteral("画像ﾌｧｲﾙ (BMP JPG)"));
    QCOMPARE(PictureNameFilter::dialogFilter(), QStringLiteral("画像ﾌｧｲﾙ (BMP JPG) (*.BMP *JPG)"));
}

QTEST_GUILESS_MAIN(DialogLayoutTest)
#include "DialogLayoutTest.moc"
