// Widget tests of the settings dialog: layout of the real controls, drawn backgrounds, the load
// sequence for each kind of settings, source choice, speed read-out, preview, link and animation.
#include "Command.h"
#include "DialogLayout.h"
#include "EventLabel.h"
#include "Helixcavern_B.h"
#include "Helixcavern_P.h"
#include "OutlineAnimation.h"
#include "PathBox.h"
#include "PictureBox.h"
#include "PropertyBag.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Helixcavern_B;

namespace {
// Writes a picture whose left half is red and right half blue, so that the preview's scaling shows.
QString writePicture(const QTemporaryDir &dir, const QString &name, QSize size, const char *format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(QRect(0, 0, size.width() / 2, size.height()), Qt::red);
    const QString path = dir.filePath(name);
    return image.save(path, format, 100) ? path : QString();
}

QString writeBytes(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(bytes);
    return file.fileName();
}

bool allPixels(const QImage &image, QRgb colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != (colour & 0xFFFFFF))
                return false;
    return true;
}

// The position of a control inside its container's area (inside a panel's border).
QRect placeInContainer(const QWidget *control)
{
    const QWidget *parent = control->parentWidget();
    if (parent->inherits("Helixcavern_P"))
        return control->geometry();
    return control->geometry().translated(-parent->contentsRect().topLeft());
}

QImage pixmapImage(const QLabel *label) { return label->pixmap().toImage(); }
} // namespace

// Receives the link's address in place of a web browser.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
    QList<int> cursorShapes; // the override cursor while the address was being opened
public slots:
    void open(const QUrl &url)
    {
        urls.append(url);
        const QCursor *cursor = QGuiApplication::overrideCursor();
        cursorShapes.append(cursor ? int(cursor->shape()) : -1);
    }
};

class DialogWidgetTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void controlsSitAtTheirPlaces();
    void windowIsFixedWithCaptionAndClientSize();
    void fontIsTheJapaneseSubstitute();
    void gradientRows_data();
    void gradientRows();
    void panelsAreTiledEdgeToEdge_data();
    void panelsAreTiledEdgeToEdge();
    void loadBySource_data();
    void loadBySource();
    void loadBySpeed_data();
    void loadBySpeed();
    void previewByPicture_data();
    void previewByPicture();
    void previewScalesWithoutBlending();
    void undecodablePictureEmptiesAnEarlierPreview();
    void chooseSource_data();
    void chooseSource();
    void speedReadOutOnArrowTrackAndKeys_data();
    void speedReadOutOnArrowTrackAndKeys();
    void speedReadOutFollowsThumbDrag();
    void pathBoxTakesNoLineBreaks();
    void linkOpensAddressUnderWaitCursor();
    void loadRemembersPointerForAnimation();
    void outlineGrowsFromPointToWindow();
    void buttonsComeFromTheirDesign();
    void tabOrderFollowsDesign();

private:
    Helixcavern_P *openDialog(qint16 source, const QString &file, float speed);
    std::unique_ptr<Helixcavern_P> dialog_;
    std::unique_ptr<QTemporaryDir> dir_;
    QList<int> endings_;
};

void DialogWidgetTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    endings_.clear();
}

void DialogWidgetTest::cleanup()
{
    if (dialog_)
        dialog_->hide();
    dialog_.reset();
    dir_.reset();
}

Helixcavern_P *DialogWidgetTest::openDialog(qint16 source, const QString &file, float speed)
{
    TextureSource = source;
    PictureFile = file;
    PictureFolder = programFolder();
    Speed = speed;
    dialog_ = std::make_unique<Helixcavern_P>();
    dialog_->endProgram = [this](int status) { endings_.append(status); };
    const QString ini = dir_->filePath(QStringLiteral("Helixcavern.ini"));
    dialog_->settingsPath = [ini] { return ini; };
    dialog_->Form_Load();
    dialog_->show();
    if (!QTest::qWaitForWindowExposed(dialog_.get()))
        return nullptr;
    return dialog_.get();
}

void DialogWidgetTest::controlsSitAtTheirPlaces()
{
    Helixcavern_P *d = openDialog(0, QString(), 20);
    QVERIFY(d);
    for (const DialogLayout::Place &place : DialogLayout::places()) {
        const QString name = QLatin1String(place.name);
        auto *control = d->findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(placeInContainer(control), DialogLayout::pixelRect(place));
        const QWidget *expectedParent = d;
        if (place.container == DialogLayout::Container::UpperPanel)
            expectedParent = d->Pic_B;
        else if (place.container == DialogLayout::Container::LowerPanel)
            expectedParent = d->Pic_D;
        QCOMPARE(control->parentWidget(), expectedParent);
    }
    // The stores are never seen.
    for (QWidget *store : {static_cast<QWidget *>(d->Pic_Dummy), static_cast<QWidget *>(d->Pic_Mbl),
                           static_cast<QWidget *>(d->Img_Opt_On), static_cast<QWidget *>(d->Img_Opt_Off)})
        QVERIFY(!store->isVisible());
    // The panels keep a two-pixel border around their drawing area.
    QCOMPARE(d->Pic_B->surface().size(), QSize(361, 97));
    QCOMPARE(d->Pic_D->surface().size(), QSize(361, 53));
}

void DialogWidgetTest::windowIsFixedWithCaptionAndClientSize()
{
    Helixcavern_P *d = openDialog(0, QString(), 20);
    QVERIFY(d);
    QCOMPARE(d->windowTitle(), QStringLiteral("Helixcavernの設定"));
    QCOMPARE(d->size(), QSize(389, 242));
    QCOMPARE(d->minimumSize(), QSize(389, 242));
    QCOMPARE(d->maximumSize(), QSize(389, 242));
    const Qt::WindowFlags flags = d->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(d->windowModality(), Qt::ApplicationModal);
    QVERIFY(!d->windowIcon().isNull());
    QCOMPARE(d->lbl_Sel[0]->text(), QStringLiteral("ｶﾚﾝﾄ・ﾃﾞｽｸﾄｯﾌﾟ"));
    QCOMPARE(d->lbl_Sel[1]->text(), QStringLiteral("画像ﾌｧｲﾙを指定"));
    QCOMPARE(d->lbl[0]->text(), QStringLiteral("画像の選択"));
    QCOMPARE(d->lbl[3]->text(), QStringLiteral("回転速度"));
    QCOMPARE(d->lbl[4]->text(), QStringLiteral("遅い"));
    QCOMPARE(d->lbl[5]->text(), QStringLiteral("速い"));
    QCOMPARE(d->Cmd_Can->Caption(), QStringLiteral("ｷｬﾝｾﾙ"));
    QCOMPARE(d->Cmd_Set->Caption(), QStringLiteral("設定"));
    QCOMPARE(d->Cmd_Pic->Caption(), QStringLiteral("..."));
    QCOMPARE(d->lbl[9]->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    QCOMPARE(d->lbl_URL->palette().color(QPalette::WindowText), QColor(255, 255, 192));
    QVERIFY(d->lbl_URL->font().underline());
}

void DialogWidgetTest::fontIsTheJapaneseSubstitute()
{
    Helixcavern_P *d = openDialog(0, QString(), 20);
    QVERIFY(d);
    QCOMPARE(d->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(QFontInfo(d->lbl_Sel[1]->font()).family(), QStringLiteral("IPAPGothic"));
    QCOMPARE(QFontInfo(d->lbl_Sel[1]->font()).pixelSize(), 13);
    // The labels' ink fits their designed boxes in that font.
    for (QLabel *label : {static_cast<QLabel *>(d->lbl_Sel[0]), static_cast<QLabel *>(d->lbl_Sel[1]), d->lbl[0],
                          d->lbl[3], d->lbl[4], d->lbl[5], d->lbl[9], static_cast<QLabel *>(d->lbl_URL)})
        QVERIFY2(label->fontMetrics().tightBoundingRect(label->text()).right() < label->width(),
                 qPrintable(label->text()));
}

void DialogWidgetTest::gradientRows_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("top") << 0 << QColor(0, 0, 30);
    QTest::newRow("middle") << 121 << QColor(220, 220, 250);
    QTest::newRow("bottom") << 241 << QColor(3, 3, 33);
    QTest::newRow("quarter") << 60 << QColor(155, 155, 185);
}

void DialogWidgetTest::gradientRows()
{
    QFETCH(int, row);
    QFETCH(QColor, colour);
    Helixcavern_P *d = openDialog(0, QString(), 20);
    QVERIFY(d);
    const QImage shown = d->grab().toImage();
    // Columns 0 to 11 and the far right lie outside every control.
    for (int x : {0, 5, 388})
        QCOMPARE(QColor(shown.pixel(x, row)), colour);
}

void DialogWidgetTest::panelsAreTiledEdgeToEdge_data()
{
    QTest::addColumn<bool>("upper");
    QTest::newRow("Pic_B 361x97") << true;
    QTest::newRow("Pic_D 361x53") << false;
}

void DialogWidgetTest::panelsAreTiledEdgeToEdge()
{
    QFETCH(bool, upper);
    Helixcavern_P *d = openDialog(0, QString(), 20);
    QVERIFY(d);
    const QImage tile = QImage(QStringLiteral(":/dialog/tile.bmp")).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(tile.size(), QSize(563, 21));
    const QImage &surface = (upper ? d->Pic_B : d->Pic_D)->surface();
    // Neither side is a multiple of the tile; every pixel, the last row and column included, is
    // the tile's pixel at the same place modulo the tile size.
    QVERIFY(surface.height() % tile.height() != 0);
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            if (surface.pixel(x, y) != tile.pixel(x % tile.width(), y % tile.height()))
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is not the tile's").arg(x).arg(y)));
}

void DialogWidgetTest::loadBySource_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("markOn");  // index carrying Img_Opt_On, or -1
    QTest::addColumn<bool>("browseEnabled");
    QTest::addColumn<bool>("previewDrawn");
    QTest::addColumn<bool>("folderOfPicture"); // PictureFolder: the picture's folder or the program's
    QTest::newRow("desktop") << 0 << 0 << false << false << false;
    QTest::newRow("picture file") << 1 << 1 << true << true << true;
    QTest::newRow("unknown source 2") << 2 << -1 << false << false << false;
    QTest::newRow("unknown source -1") << -1 << -1 << false << false << false;
}

void DialogWidgetTest::loadBySource()
{
    QFETCH(int, source);
    QFETCH(int, markOn);
    QFETCH(bool, browseEnabled);
    QFETCH(bool, previewDrawn);
    QFETCH(bool, folderOfPicture);
    const QString picture = writePicture(*dir_, QStringLiteral("wide.jpg"), QSize(400, 300), "JPG");
    QVERIFY(!picture.isEmpty());
    Helixcavern_P *d = openDialog(qint16(source), picture, 20);
    QVERIFY(d);
    const QImage on = pixmapImage(d->Img_Opt_On);
    const QImage off = pixmapImage(d->Img_Opt_Off);
    QVERIFY(!on.isNull() && !off.isNull() && on != off);
    for (int i = 0; i < 2; ++i) {
        const QImage mark = pixmapImage(d->Img_Sel[i]);
        if (markOn < 0)
            QVERIFY(mark.isNull());
        else
            QCOMPARE(mark, i == markOn ? on : off);
    }
    QCOMPARE(d->Cmd_Pic->Enabled(), browseEnabled);
    QCOMPARE(d->Pname->text(), picture); // shown whatever the source
    QCOMPARE(d->Display->size(), previewDrawn ? QSize(80, 60) : QSize(80, 80));
    QCOMPARE(PictureFolder, folderOfPicture ? dir_->path() : programFolder());
    QCOMPARE(TextureSource, qint16(source));
}

void DialogWidgetTest::loadBySpeed_data()
{
    QTest::addColumn<float>("speed");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("readOut");
    QTest::newRow("default 20") << 20.0f << 20 << "20";
    QTest::newRow("0 below range") << 0.0f << 1 << "0";
    QTest::newRow("500 above range") << 500.0f << 1 << "500";
    QTest::newRow("100 top") << 100.0f << 100 << "100";
    QTest::newRow("1 bottom") << 1.0f << 1 << "1";
    QTest::newRow("-4 negative") << -4.0f << 1 << "-4";
}

void DialogWidgetTest::loadBySpeed()
{
    QFETCH(float, speed);
    QFETCH(int, position);
    QFETCH(QString, readOut);
    Helixcavern_P *d = openDialog(0, QString(), speed);
    QVERIFY(d);
    QCOMPARE(d->HS_Fast->minimum(), 1);
    QCOMPARE(d->HS_Fast->maximum(), 100);
    QCOMPARE(d->HS_Fast->value(), position);
    QCOMPARE(d->lbl_Fast->text(), readOut);
    QCOMPARE(d->lbl_Fast->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
}

void DialogWidgetTest::previewByPicture_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("picture"); // empty: no picture file written
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("display");
    QTest::addColumn<bool>("empty");
    QTest::newRow("400x300 jpg") << "a.jpg" << QSize(400, 300) << QByteArray("JPG") << QSize(80, 60) << false;
    QTest::newRow("300x400 bmp") << "b.bmp" << QSize(300, 400) << QByteArray("BMP") << QSize(60, 80) << false;
    QTest::newRow("100x100 jpg") << "c.jpg" << QSize(100, 100) << QByteArray("JPG") << QSize(80, 80) << false;
    QTest::newRow("1x1000 bmp draws nothing") << "d.bmp" << QSize(1, 1000) << QByteArray("BMP") << QSize(0, 80) << false;
    QTest::newRow("missing file") << "missing.jpg" << QSize() << QByteArray() << QSize(80, 80) << true;
    QTest::newRow("undecodable file") << "broken.jpg" << QSize() << QByteArray("garbage") << QSize(80, 80) << true;
    QTest::newRow("empty file") << "zero.bmp" << QSize() << QByteArray("") << QSize(80, 80) << true;
    QTest::newRow("a folder") << "folder.jpg" << QSize() << QByteArray("folder") << QSize(80, 80) << true;
}

void DialogWidgetTest::previewByPicture()
{
    QFETCH(QString, name);
    QFETCH(QSize, picture);
    QFETCH(QByteArray, format);
    QFETCH(QSize, display);
    QFETCH(bool, empty);
    QString path = dir_->filePath(name);
    if (picture.isValid())
        QVERIFY(!writePicture(*dir_, name, picture, format.constData()).isEmpty());
    else if (format == "folder")
        QVERIFY(QDir(dir_->path()).mkdir(name));
    else if (!format.isNull())
        QVERIFY(!writeBytes(*dir_, name, format == "garbage" ? QByteArray("\xFF\xD8 not really a JPEG") : format).isEmpty());
    Helixcavern_P *d = openDialog(1, path, 20);
    QVERIFY(d);
    QCOMPARE(d->Display->size(), display);
    QCOMPARE(d->Display->pos(), d->Pic_B->contentsRect().topLeft() + QPoint(272, 8)); // corner stays
    if (empty)
        QVERIFY(allPixels(d->Display->surface(), d->Display->background().rgb()));
    QCOMPARE(d->Display->hasPicture(), false); // Display never holds a picture of its own
}

void DialogWidgetTest::previewScalesWithoutBlending()
{
    const QString path = writePicture(*dir_, QStringLiteral("halves.bmp"), QSize(400, 300), "BMP");
    Helixcavern_P *d = openDialog(1, path, 20);
    QVERIFY(d);
    const QImage &surface = d->Display->surface();
    QCOMPARE(surface.size(), QSize(76, 56)); // 80 x 60 less the two-pixel border
    // Left half red, right half blue, the seam between columns 39 and 40 with no blended column.
    QCOMPARE(QColor(surface.pixel(39, 10)), QColor(Qt::red));
    QCOMPARE(QColor(surface.pixel(40, 10)), QColor(Qt::blue));
    QCOMPARE(QColor(surface.pixel(0, 55)), QColor(Qt::red));
    QCOMPARE(QColor(surface.pixel(75, 0)), QColor(Qt::blue));
}

void DialogWidgetTest::undecodablePictureEmptiesAnEarlierPreview()
{
    const QString good = writePicture(*dir_, QStringLiteral("good.jpg"), QSize(400, 300), "JPG");
    const QString bad = writeBytes(*dir_, QStringLiteral("bad.jpg"), QByteArray(1000, 'x'));
    Helixcavern_P *d = openDialog(1, good, 20);
    QVERIFY(d);
    QCOMPARE(d->Display->size(), QSize(80, 60));
    d->Pname->setText(bad);
    d->DrawPreview();
    // Not the picture previewed before: the empty box.
    QCOMPARE(d->Display->size(), QSize(80, 80));
    QVERIFY(allPixels(d->Display->surface(), d->Display->background().rgb()));
}

void DialogWidgetTest::chooseSource_data()
{
    QTest::addColumn<QString>("control"); // object name pressed
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("source");
    QTest::addColumn<bool>("pathKept");
    QTest::addColumn<bool>("browseEnabled");
    // Starting with a 400 x 300 picture chosen and previewed.
    QTest::newRow("desktop mark, left") << "Img_Sel(0)" << int(Qt::LeftButton) << 0 << true << false;
    QTest::newRow("desktop mark, right") << "Img_Sel(0)" << int(Qt::RightButton) << 0 << true << false;
    QTest::newRow("desktop label, left") << "lbl_Sel(0)" << int(Qt::LeftButton) << 0 << false << false;
    QTest::newRow("desktop label, right") << "lbl_Sel(0)" << int(Qt::RightButton) << 0 << false << false;
    QTest::newRow("desktop label, middle") << "lbl_Sel(0)" << int(Qt::MiddleButton) << 0 << false << false;
    QTest::newRow("picture mark again") << "Img_Sel(1)" << int(Qt::LeftButton) << 1 << true << true;
    QTest::newRow("picture label again") << "lbl_Sel(1)" << int(Qt::RightButton) << 1 << true << true;
}

void DialogWidgetTest::chooseSource()
{
    QFETCH(QString, control);
    QFETCH(int, button);
    QFETCH(int, source);
    QFETCH(bool, pathKept);
    QFETCH(bool, browseEnabled);
    const QString picture = writePicture(*dir_, QStringLiteral("p.jpg"), QSize(400, 300), "JPG");
    Helixcavern_P *d = openDialog(1, picture, 20);
    QVERIFY(d);
    auto *pressed = d->findChild<EventLabel *>(control);
    QVERIFY(pressed);
    QTest::mousePress(pressed, Qt::MouseButton(button), {}, QPoint(3, 3));
    QTest::mouseRelease(pressed, Qt::MouseButton(button), {}, QPoint(3, 3));
    QCOMPARE(TextureSource, qint16(source));
    QCOMPARE(pixmapImage(d->Img_Sel[source]), pixmapImage(d->Img_Opt_On));
    QCOMPARE(pixmapImage(d->Img_Sel[source ^ 1]), pixmapImage(d->Img_Opt_Off));
    QCOMPARE(d->Cmd_Pic->Enabled(), browseEnabled);
    QCOMPARE(d->Pname->text(), pathKept ? picture : QString());
    QCOMPARE(d->Display->size(), pathKept ? QSize(80, 60) : QSize(80, 80));
    if (!pathKept)
        QVERIFY(allPixels(d->Display->surface(), d->Display->background().rgb()));
    QCOMPARE(PictureFile, picture); // the setting keeps the path; only the box forgets it

    // Choosing the picture file afterwards by its mark brings back neither path nor preview.
    QTest::mousePress(d->Img_Sel[1], Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(TextureSource, qint16(1));
    QCOMPARE(d->Cmd_Pic->Enabled(), true);
    QCOMPARE(d->Pname->text(), pathKept ? picture : QString());
    QCOMPARE(d->Display->size(), pathKept ? QSize(80, 60) : QSize(80, 80));
}

void DialogWidgetTest::speedReadOutOnArrowTrackAndKeys_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("value");
    QTest::newRow("right arrow button") << "arrow+" << 21;
    QTest::newRow("left arrow button") << "arrow-" << 19;
    QTest::newRow("track right of thumb") << "track+" << 30;
    QTest::newRow("track left of thumb") << "track-" << 10;
    QTest::newRow("right key") << "right" << 21;
    QTest::newRow("left key") << "left" << 19;
    QTest::newRow("down key") << "down" << 21;
    QTest::newRow("page down key") << "pagedown" << 30;
    QTest::newRow("page up key") << "pageup" << 10;
    QTest::newRow("end key") << "end" << 100;
    QTest::newRow("home key") << "home" << 1;
}

void DialogWidgetTest::speedReadOutOnArrowTrackAndKeys()
{
    QFETCH(QString, action);
    QFETCH(int, value);
    Helixcavern_P *d = openDialog(0, QString(), 20);
    QVERIFY(d);
    QScrollBar *bar = d->HS_Fast;
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.upsideDown = false;
    auto centre = [&](QStyle::SubControl part) {
        return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar).center();
    };
    if (action == "arrow+")
        QTest::mouseClick(bar, Qt::LeftButton, {}, centre(QStyle::SC_ScrollBarAddLine));
    else if (action == "arrow-")
        QTest::mouseClick(bar, Qt::LeftButton, {}, centre(QStyle::SC_ScrollBarSubLine));
    else if (action == "track+")
        QTest::mouseClick(bar, Qt::LeftButton, {}, centre(QStyle::SC_ScrollBarAddPage));
    else if (action == "track-")
        QTest::mouseClick(bar, Qt::LeftButton, {}, centre(QStyle::SC_ScrollBarSubPage));
    else {
        bar->setFocus();
        const QHash<QString, Qt::Key> keys{{"right", Qt::Key_Right},       {"left", Qt::Key_Left},
                                           {"down", Qt::Key_Down},         {"pagedown", Qt::Key_PageDown},
                                           {"pageup", Qt::Key_PageUp},     {"end", Qt::Key_End},
                                           {"home", Qt::Key_Home}};
        const Qt::Key key = keys.value(action);
        QTest::keyClick(bar, key);
    }
    QCOMPARE(bar->value(), value);
    QCOMPARE(d->lbl_Fast->text(), QString::number(value));
    QCOMPARE(Speed, 20.0f); // the setting itself is not touched until saving
}

void DialogWidgetTest::speedReadOutFollowsThumbDrag()
{
    Helixcavern_P *d = openDialog(0, QString(), 1);
    QVERIFY(d);
    QScrollBar *bar = d->HS_Fast;
    QStringList seen;
    connect(bar, &QScrollBar::valueChanged, this, [&] { seen.append(d->lbl_Fast->text()); });
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Horizontal;
    option.minimum = 1;
    option.maximum = 100;
    option.sliderPosition = option.sliderValue = 1;
    option.pageStep = bar->pageStep();
    const QRect thumb = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
    const QPoint start = thumb.center();
    QTest::mousePress(bar, Qt::LeftButton, {}, start);
    for (int x = start.x(); x <= bar->width() + 10; x += 2)
        QTest::mouseMove(bar, QPoint(x, start.y()));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(bar->width() + 10, start.y()));
    // The read-out changed during the drag, step by step, up to "100".
    QVERIFY2(seen.size() >= 20, qPrintable(seen.join(QLatin1Char(' '))));
    QCOMPARE(seen.last(), QStringLiteral("100"));
    for (qsizetype i = 1; i < seen.size(); ++i)
        QVERIFY(seen[i].toInt() > seen[i - 1].toInt());
    QCOMPARE(d->lbl_Fast->text(), QStringLiteral("100"));
}

void DialogWidgetTest::pathBoxTakesNoLineBreaks()
{
    Helixcavern_P *d = openDialog(1, QString(), 20);
    QVERIFY(d);
    d->Pname->setFocus();
    QTest::keyClicks(d->Pname, QStringLiteral("/tmp/x"));
    QTest::keyClick(d->Pname, Qt::Key_Return);
    QTest::keyClicks(d->Pname, QStringLiteral(".jpg"));
    QCOMPARE(d->Pname->text(), QStringLiteral("/tmp/x.jpg"));
    QApplication::clipboard()->setText(QStringLiteral("/a\n/b.jpg\r\n"));
    d->Pname->selectAll();
    d->Pname->paste();
    QCOMPARE(d->Pname->text(), QStringLiteral("/a/b.jpg"));
    // A path longer than one line wraps into the second line of the box instead of scrolling.
    d->Pname->setText(QString(60, QLatin1Char('a')));
    QVERIFY(d->Pname->document()->lineCount() >= 1);
    QCOMPARE(d->Pname->document()->blockCount(), 1);
}

void DialogWidgetTest::linkOpensAddressUnderWaitCursor()
{
    Helixcavern_P *d = openDialog(0, QString(), 20);
    QVERIFY(d);
    UrlCatcher catcher;
    const QUrl address(d->lbl_URL->text());
    QVERIFY(address.isValid());
    QDesktopServices::setUrlHandler(address.scheme(), &catcher, "open");
    QTest::mouseClick(d->lbl_URL, Qt::LeftButton, {}, QPoint(5, 5));
    QDesktopServices::unsetUrlHandler(address.scheme());
    QCOMPARE(catcher.urls, QList<QUrl>{address});
    QCOMPARE(catcher.cursorShapes, QList<int>{int(Qt::WaitCursor)});
    QVERIFY(!QGuiApplication::overrideCursor()); // set back afterwards
    // A right click is no click; the label shows the custom pointer.
    QTest::mouseClick(d->lbl_URL, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(catcher.urls.size(), 1);
    QCOMPARE(d->lbl_URL->cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(d->lbl_URL->cursor().hotSpot(), QPoint(12, 10));
}

void DialogWidgetTest::loadRemembersPointerForAnimation()
{
    QCursor::setPos(123, 45);
    if (QCursor::pos() != QPoint(123, 45))
        QSKIP("this platform does not move the pointer");
    Helixcavern_P *d = openDialog(0, QString(), 20);
    QVERIFY(d);
    QCOMPARE(Helixcavern_P::AnimOriginX, qint16(123));
    QCOMPARE(Helixcavern_P::AnimOriginY, qint16(45));
}

void DialogWidgetTest::outlineGrowsFromPointToWindow()
{
    const QRect from(100, 50, 0, 0);
    const QRect to(300, 250, 400, 300);
    QList<QRect> frames;
    QTimer probe;
    probe.setInterval(10);
    connect(&probe, &QTimer::timeout, this, [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<OutlineAnimation *>(w) && w->isVisible()) {
                QVERIFY(w->windowFlags() & Qt::WindowTransparentForInput);
                frames.append(w->geometry());
            }
    });
    probe.start();
    QElapsedTimer clock;
    clock.start();
    OutlineAnimation::play(from, to);
    const qint64 took = clock.elapsed();
    probe.stop();
    QVERIFY2(took >= OutlineAnimation::DurationMs && took < 2000, qPrintable(QString::number(took)));
    QVERIFY2(frames.size() >= 2, qPrintable(QString::number(frames.size())));
    const QRect span = to.united(QRect(from.topLeft(), QSize(1, 1)));
    for (qsizetype i = 1; i < frames.size(); ++i) // growing, between the point and the window
        QVERIFY(frames[i].width() >= frames[i - 1].width() && span.contains(frames[i]));
    for (QWidget *w : QApplication::topLevelWidgets()) // gone afterwards
        QVERIFY(!(qobject_cast<OutlineAnimation *>(w) && w->isVisible()));
}

void DialogWidgetTest::buttonsComeFromTheirDesign()
{
    Helixcavern_P *d = openDialog(0, QString(), 20);
    QVERIFY(d);
    const QList<Command *> buttons = d->findChildren<Command *>();
    QCOMPARE(buttons, (QList<Command *>{d->Cmd_Pic, d->Cmd_Can, d->Cmd_Set})); // the window's control order
    for (Command *button : buttons) {
        QCOMPARE(button->State(), Command::StateNormal); // Initialize ran
        QCOMPARE(QFontInfo(button->Font()).family(), QStringLiteral("IPAPGothic"));
    }
    // Cmd_Pic was disabled by the load sequence; the other two still hold only their design: the
    // caption and the font (which matches the window's ambient font, so it need not be stored).
    for (Command *button : {d->Cmd_Can, d->Cmd_Set}) {
        PropertyBag saved;
        button->WriteProperties(saved);
        QVERIFY(saved.contains(QStringLiteral("Caption")));
        for (const QString &key : saved.keys())
            QVERIFY2(key == QLatin1String("Caption") || key == QLatin1String("Font"), qPrintable(key));
    }
    Helixcavern_P::PrepareCommandButtons(d, false, false);
    for (Command *button : buttons)
        QVERIFY(!button->Enabled());
    Helixcavern_P::PrepareCommandButtons(d, false, true);
    for (Command *button : buttons)
        QVERIFY(button->Enabled());
}

void DialogWidgetTest::tabOrderFollowsDesign()
{
    Helixcavern_P *d = openDialog(1, QString(), 20);
    QVERIFY(d);
    QApplication::setActiveWindow(d);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(d->Pic_B)); // the first stop at start
    const QList<QWidget *> forward{d->Pic_D, d->HS_Fast, d->Pname, d->Cmd_Can, d->Cmd_Set, d->Cmd_Pic, d->Pic_B};
    for (QWidget *expected : forward) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected);
    }
    const QList<QWidget *> backward{d->Cmd_Pic, d->Cmd_Set, d->Cmd_Can, d->Pname, d->HS_Fast, d->Pic_D, d->Pic_B};
    for (QWidget *expected : backward) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), expected);
    }
}

QTEST_MAIN(DialogWidgetTest)
#include "DialogWidgetTest.moc"
