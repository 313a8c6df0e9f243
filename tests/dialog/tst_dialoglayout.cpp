// Unit tests of the dialog's arithmetic: control rectangles, window placement, gradient levels,
// panel tiling, preview sizes, the outline's frames, value texts and the file filter.
#include "dialog/DialogLayout.h"
#include "dialog/DialogValues.h"
#include "dialog/PictureNameFilter.h"
#include "button/Twips.h"
#include "settings/SettingsFile.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <vector>
#include <limits>

class tst_dialoglayout : public QObject
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

void tst_dialoglayout::controlRectangleInPixels_data()
{
    QTest::addColumn<int>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("pixels");
    QTest::addColumn<int>("container");
    using K = DialogLayout::Control;
    const int W = int(DialogLayout::Container::Window);
    const int B = int(DialogLayout::Container::UpperPanel);
    const int D = int(DialogLayout::Container::LowerPanel);
    const auto row = [](K control, const char *name, QRect pixels, int container) {
        QTest::newRow(name) << int(control) << QString::fromLatin1(name) << pixels << container;
    };
    // The designed twips divided by 15.
    row(K::PictureChoicePanel, "pictureChoicePanel", QRect(12, 12, 365, 101), W);
    row(K::PictureChoiceHeading, "pictureChoiceHeading", QRect(8, 8, 95, 22), B);
    row(K::PictureChoiceTitle, "pictureChoiceTitle", QRect(8, 12, 95, 13), B);
    row(K::DesktopMark, "desktopMark", QRect(116, 12, 13, 13), B);
    row(K::DesktopLabel, "desktopLabel", QRect(132, 12, 83, 13), B);
    row(K::PictureMark, "pictureMark", QRect(116, 32, 13, 13), B);
    row(K::PictureLabel, "pictureLabel", QRect(132, 32, 92, 13), B);
    row(K::BrowseButton, "browseButton", QRect(228, 28, 37, 21), B);
    row(K::PathBox, "pathBox", QRect(8, 56, 257, 33), B);
    row(K::PreviewBox, "previewBox", QRect(272, 8, 80, 80), B);
    row(K::SpeedPanel, "speedPanel", QRect(12, 120, 365, 57), W);
    row(K::SpeedHeading, "speedHeading", QRect(8, 8, 95, 22), D);
    row(K::SpeedTitle, "speedTitle", QRect(8, 12, 95, 13), D);
    row(K::SlowLabel, "slowLabel", QRect(116, 12, 27, 13), D);
    row(K::SpeedBar, "speedBar", QRect(148, 12, 117, 17), D);
    row(K::FastLabel, "fastLabel", QRect(272, 12, 25, 13), D);
    row(K::SpeedReadout, "speedReadout", QRect(148, 32, 117, 13), D);
    row(K::VersionLabel, "versionLabel", QRect(12, 184, 165, 13), W);
    row(K::LinkLabel, "linkLabel", QRect(12, 200, 214, 13), W);
    row(K::CancelButton, "cancelButton", QRect(232, 192, 73, 25), W);
    row(K::SaveButton, "saveButton", QRect(304, 192, 73, 25), W);
}

void tst_dialoglayout::controlRectangleInPixels()
{
    QFETCH(int, control);
    QFETCH(QString, name);
    QFETCH(QRect, pixels);
    QFETCH(int, container);
    const DialogLayout::Place &place = DialogLayout::place(DialogLayout::Control(control));
    QCOMPARE(QLatin1String(place.name), name);
    QCOMPARE(DialogLayout::pixelRect(place), pixels);
    QCOMPARE(int(place.container), container);
}

void tst_dialoglayout::everyControlHasOnePlace()
{
    QSet<QString> names;
    for (const auto &p : DialogLayout::places())
        names.insert(QLatin1String(p.name));
    QCOMPARE(names.size(), DialogLayout::ControlCount);
    // Looking a control up gives its own row, never a neighbour's.
    for (int i = 0; i < DialogLayout::ControlCount; ++i)
        QCOMPARE(int(DialogLayout::place(DialogLayout::Control(i)).control), i);
    // Every control of the window lies inside the client area.
    for (const auto &p : DialogLayout::places()) {
        const QRect r = DialogLayout::pixelRect(p);
        if (p.container == DialogLayout::Container::Window)
            QVERIFY2(QRect(0, 0, DialogLayout::ClientWidth, DialogLayout::ClientHeight).contains(r), p.name);
    }
}

void tst_dialoglayout::windowPosition_data()
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

void tst_dialoglayout::windowPosition()
{
    QFETCH(QSize, screen);
    QFETCH(QPoint, twips);
    QFETCH(QPoint, pixels);
    QCOMPARE(DialogLayout::windowPositionTwips(screen * Twips::PerPixel), twips);
    QCOMPARE(DialogLayout::windowPosition(screen), pixels);
}

void tst_dialoglayout::gradientLevel_data()
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

void tst_dialoglayout::gradientLevel()
{
    QFETCH(int, row);
    QFETCH(int, level);
    QCOMPARE(DialogLayout::gradientLevel(row, DialogLayout::ClientHeight), level);
}

void tst_dialoglayout::tileOriginsFollowTheCopyOrder()
{
    // The real tile on the upper panel's 361 x 97 surface: down the first column to a row past the
    // bottom edge, then one more column, which already reaches past the right edge.
    QList<QPoint> expected;
    for (int x : {0, 563})
        for (int y : {0, 21, 42, 63, 84, 105})
            expected.append(QPoint(x, y));
    QCOMPARE(DialogLayout::tileOrigins(QSize(563, 21), QSize(361, 97)), expected);
}

void tst_dialoglayout::tileOriginsCoverTarget_data()
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

void tst_dialoglayout::tileOriginsCoverTarget()
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

void tst_dialoglayout::tileWithoutAreaCopiesNothing()
{
    // A tile picture that failed to load must not make the copy loop run forever.
    QVERIFY(DialogLayout::tileOrigins(QSize(0, 21), QSize(361, 97)).isEmpty());
    QVERIFY(DialogLayout::tileOrigins(QSize(563, 0), QSize(361, 97)).isEmpty());
}

void tst_dialoglayout::previewSize_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSizeF>("preview");
    QTest::addColumn<QSize>("drawn");
    QTest::newRow("400x300 wide") << QSize(400, 300) << QSizeF(80, 60) << QSize(80, 60);
    QTest::newRow("300x400 tall") << QSize(300, 400) << QSizeF(60, 80) << QSize(60, 80);
    QTest::newRow("100x100 square") << QSize(100, 100) << QSizeF(80, 80) << QSize(80, 80);
    QTest::newRow("1x1000 sliver") << QSize(1, 1000) << QSizeF(0.08f, 80) << QSize(0, 80);
    QTest::newRow("1000x1 sliver") << QSize(1000, 1) << QSizeF(80, 0.08f) << QSize(80, 0);
    QTest::newRow("57x53 rounds down") << QSize(57, 53) << QSizeF(80, 80.0f * 53 / 57) << QSize(80, 74);
    QTest::newRow("640x427 rounds up") << QSize(640, 427) << QSizeF(80, 80.0f * 427 / 640) << QSize(80, 53);
}

void tst_dialoglayout::previewSize()
{
    QFETCH(QSize, picture);
    QFETCH(QSizeF, preview);
    QFETCH(QSize, drawn);
    const QSizeF size = DialogLayout::previewSize(picture);
    QCOMPARE(float(size.width()), float(preview.width()));
    QCOMPARE(float(size.height()), float(preview.height()));
    QCOMPARE(QSize(DialogLayout::roundHalfEven(size.width()), DialogLayout::roundHalfEven(size.height())), drawn);
}

void tst_dialoglayout::animationFrame_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<QRect>("frame");
    // From the pointer point (100, 50) to a 400 x 300 window at (300, 250).
    QTest::newRow("start is the point") << 0.0 << QRect(100, 50, 0, 0);
    QTest::newRow("half way") << 0.5 << QRect(200, 150, 200, 150);
    QTest::newRow("end is the window") << 1.0 << QRect(300, 250, 400, 300);
    QTest::newRow("late tick stays at the window") << 1.7 << QRect(300, 250, 400, 300);
}

void tst_dialoglayout::animationFrame()
{
    QFETCH(double, t);
    QFETCH(QRect, frame);
    QCOMPARE(DialogLayout::animationFrame(QRect(100, 50, 0, 0), QRect(300, 250, 400, 300), t), frame);
}

void tst_dialoglayout::speedPosition_data()
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

void tst_dialoglayout::speedPosition()
{
    QFETCH(float, speed);
    QFETCH(int, position);
    QCOMPARE(DialogValues::speedPosition(speed).value_or(0), position);
}

void tst_dialoglayout::speedText_data()
{
    QTest::addColumn<float>("speed");
    QTest::addColumn<QString>("text");
    QTest::newRow("20") << 20.0f << "20";
    QTest::newRow("0") << 0.0f << "0";
    QTest::newRow("500") << 500.0f << "500";
    QTest::newRow("-4") << -4.0f << "-4";
    QTest::newRow("20.9 as a float") << 20.9f << "20.9";
}

void tst_dialoglayout::speedText()
{
    QFETCH(float, speed);
    QFETCH(QString, text);
    QCOMPARE(DialogValues::speedText(speed), text);
}

void tst_dialoglayout::settingNumber_data()
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

void tst_dialoglayout::settingNumber()
{
    QFETCH(int, value);
    QFETCH(QString, text);
    QCOMPARE(SettingsFile::numberText(value), text);
}

void tst_dialoglayout::singleLineDropsLineBreaks()
{
    QCOMPARE(DialogValues::singleLine(QStringLiteral("/a/b\r\n/c.jpg\n")), QStringLiteral("/a/b/c.jpg"));
    QCOMPARE(DialogValues::singleLine(QStringLiteral("/写真/a b.jpg")), QStringLiteral("/写真/a b.jpg"));
}

void tst_dialoglayout::filterMatches_data()
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

void tst_dialoglayout::filterMatches()
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

void tst_dialoglayout::filterTexts()
{
    QCOMPARE(PictureNameFilter::description(), QStringLiteral("画像ﾌｧｲﾙ (BMP JPG)"));
    QCOMPARE(PictureNameFilter::dialogFilter(), QStringLiteral("画像ﾌｧｲﾙ (BMP JPG) (*.BMP *JPG)"));
}

QTEST_GUILESS_MAIN(tst_dialoglayout)
#include "tst_dialoglayout.moc"
