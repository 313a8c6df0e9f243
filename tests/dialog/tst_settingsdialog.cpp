// Widget tests of the settings dialog: layout of the real controls, drawn backgrounds, the opening
// steps for each kind of settings, source choice, speed read-out, preview, link and animation.
#include "button/PropertyBag.h"
#include "button/SkinnedButton.h"
#include "dialog/DialogLayout.h"
#include "dialog/EventLabel.h"
#include "dialog/OutlineAnimation.h"
#include "dialog/PathBox.h"
#include "dialog/PictureBox.h"
#include "dialog/SettingsDialog.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsLocation.h"
#include "tests/support/ButtonLook.h"
#include "tests/support/DialogFixture.h"
#include "tests/support/TestFiles.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {
// A picture whose left half is red and right half blue, so that the preview's scaling shows.
bool writePicture(const QString &path, QSize size, const char *format)
{
    return testfiles::writeTwoColourPicture(path, qRgb(255, 0, 0), qRgb(0, 0, 255), size, format);
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
    if (parent->inherits("SettingsDialog"))
        return control->geometry();
    return control->geometry().translated(-parent->contentsRect().topLeft());
}

QImage pixmapImage(const QLabel *label) { return label->pixmap().toImage(); }
QImage markPicture(const char *resource) { return QPixmap::fromImage(QImage(QLatin1String(resource))).toImage(); }
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

class tst_settingsdialog : public QObject
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
    template <class T = QWidget> T *control(const char *name) const { return fixture_->control<T>(name); }
    PictureBox *preview() const { return control<PictureBox>("previewBox"); }
    // The empty preview box: the window background of the system's palette.
    static QRgb emptyColour() { return QApplication::palette().color(QPalette::Base).rgb(); }
    std::unique_ptr<DialogFixture> fixture_;
};

void tst_settingsdialog::init()
{
    fixture_ = std::make_unique<DialogFixture>();
    QVERIFY(fixture_->isValid());
}

void tst_settingsdialog::cleanup() { fixture_.reset(); }

void tst_settingsdialog::controlsSitAtTheirPlaces()
{
    SettingsDialog *d = fixture_->open(0, QString(), 20);
    QVERIFY(d);
    auto *upperPanel = control<PictureBox>("pictureChoicePanel");
    auto *lowerPanel = control<PictureBox>("speedPanel");
    QVERIFY(upperPanel && lowerPanel);
    QStringList names;
    for (const DialogLayout::Place &place : DialogLayout::places()) {
        const QString name = QLatin1String(place.name);
        names << name;
        auto *widget = d->findChild<QWidget *>(name);
        QVERIFY2(widget, qPrintable(name));
        QCOMPARE(placeInContainer(widget), DialogLayout::pixelRect(place));
        const QWidget *expectedParent = d;
        if (place.container == DialogLayout::Container::UpperPanel)
            expectedParent = upperPanel;
        else if (place.container == DialogLayout::Container::LowerPanel)
            expectedParent = lowerPanel;
        QCOMPARE(widget->parentWidget(), expectedParent);
    }
    // Nothing else is in the window: every widget it or its panels hold is a placed, shown control.
    for (const QWidget *holder : {static_cast<QWidget *>(d), static_cast<QWidget *>(upperPanel),
                                  static_cast<QWidget *>(lowerPanel)})
        for (const QWidget *child : holder->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            QVERIFY2(names.contains(child->objectName()), qPrintable(child->objectName()));
            QVERIFY2(child->isVisible(), qPrintable(child->objectName()));
        }
    // The panels keep a two-pixel border around their drawing area.
    QCOMPARE(upperPanel->surface().size(), QSize(361, 97));
    QCOMPARE(lowerPanel->surface().size(), QSize(361, 53));
}

void tst_settingsdialog::windowIsFixedWithCaptionAndClientSize()
{
    SettingsDialog *d = fixture_->open(0, QString(), 20);
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
    QCOMPARE(control<QLabel>("desktopLabel")->text(), QStringLiteral("ｶﾚﾝﾄ・ﾃﾞｽｸﾄｯﾌﾟ"));
    QCOMPARE(control<QLabel>("pictureLabel")->text(), QStringLiteral("画像ﾌｧｲﾙを指定"));
    QCOMPARE(control<QLabel>("pictureChoiceTitle")->text(), QStringLiteral("画像の選択"));
    QCOMPARE(control<QLabel>("speedTitle")->text(), QStringLiteral("回転速度"));
    QCOMPARE(control<QLabel>("slowLabel")->text(), QStringLiteral("遅い"));
    QCOMPARE(control<QLabel>("fastLabel")->text(), QStringLiteral("速い"));
    QCOMPARE(control<SkinnedButton>("cancelButton")->caption(), QStringLiteral("ｷｬﾝｾﾙ"));
    QCOMPARE(control<SkinnedButton>("saveButton")->caption(), QStringLiteral("設定"));
    QCOMPARE(control<SkinnedButton>("browseButton")->caption(), QStringLiteral("..."));
    QCOMPARE(control("versionLabel")->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    QCOMPARE(control("linkLabel")->palette().color(QPalette::WindowText), QColor(255, 255, 192));
    QVERIFY(control("linkLabel")->font().underline());
}

void tst_settingsdialog::fontIsTheJapaneseSubstitute()
{
    SettingsDialog *d = fixture_->open(0, QString(), 20);
    QVERIFY(d);
    QCOMPARE(d->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(QFontInfo(control("pictureLabel")->font()).family(), QStringLiteral("IPAPGothic"));
    QCOMPARE(QFontInfo(control("pictureLabel")->font()).pixelSize(), 13);
    // The labels' ink fits their designed boxes in that font.
    for (const char *name : {"desktopLabel", "pictureLabel", "pictureChoiceTitle", "speedTitle", "slowLabel",
                             "fastLabel", "versionLabel", "linkLabel"}) {
        const QLabel *label = control<QLabel>(name);
        QVERIFY2(label, name);
        QVERIFY2(label->fontMetrics().tightBoundingRect(label->text()).right() < label->width(),
                 qPrintable(label->text()));
    }
}

void tst_settingsdialog::gradientRows_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("top") << 0 << QColor(0, 0, 30);
    QTest::newRow("middle") << 121 << QColor(220, 220, 250);
    QTest::newRow("bottom") << 241 << QColor(3, 3, 33);
    QTest::newRow("quarter") << 60 << QColor(155, 155, 185);
}

void tst_settingsdialog::gradientRows()
{
    QFETCH(int, row);
    QFETCH(QColor, colour);
    SettingsDialog *d = fixture_->open(0, QString(), 20);
    QVERIFY(d);
    const QImage shown = d->grab().toImage();
    // Columns 0 to 11 and the far right lie outside every control.
    for (int x : {0, 5, 388})
        QCOMPARE(QColor(shown.pixel(x, row)), colour);
}

void tst_settingsdialog::panelsAreTiledEdgeToEdge_data()
{
    QTest::addColumn<QString>("panel");
    QTest::newRow("picture choice 361x97") << "pictureChoicePanel";
    QTest::newRow("speed 361x53") << "speedPanel";
}

void tst_settingsdialog::panelsAreTiledEdgeToEdge()
{
    QFETCH(QString, panel);
    SettingsDialog *d = fixture_->open(0, QString(), 20);
    QVERIFY(d);
    const QImage tile = QImage(QStringLiteral(":/dialog/tile.bmp")).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(tile.size(), QSize(563, 21));
    const QImage &surface = control<PictureBox>(qPrintable(panel))->surface();
    // Neither side is a multiple of the tile; every pixel, the last row and column included, is
    // the tile's pixel at the same place modulo the tile size.
    QVERIFY(surface.height() % tile.height() != 0);
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            if (surface.pixel(x, y) != tile.pixel(x % tile.width(), y % tile.height()))
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is not the tile's").arg(x).arg(y)));
}

void tst_settingsdialog::loadBySource_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("markOn");  // the source whose mark shows as chosen, or -1
    QTest::addColumn<bool>("browseEnabled");
    QTest::addColumn<bool>("previewDrawn");
    QTest::addColumn<bool>("folderOfPicture"); // the chooser starts in the picture's folder or the program's
    QTest::newRow("desktop") << 0 << 0 << false << false << false;
    QTest::newRow("picture file") << 1 << 1 << true << true << true;
    QTest::newRow("unknown source 2") << 2 << -1 << false << false << false;
    QTest::newRow("unknown source -1") << -1 << -1 << false << false << false;
}

void tst_settingsdialog::loadBySource()
{
    QFETCH(int, source);
    QFETCH(int, markOn);
    QFETCH(bool, browseEnabled);
    QFETCH(bool, previewDrawn);
    QFETCH(bool, folderOfPicture);
    const QString picture = fixture_->path(QStringLiteral("wide.jpg"));
    QVERIFY(writePicture(picture, QSize(400, 300), "JPG"));
    QVERIFY(fixture_->open(qint16(source), picture, 20));
    const QImage on = markPicture(":/dialog/option_on.jpg");
    const QImage off = markPicture(":/dialog/option_off.jpg");
    QVERIFY(!on.isNull() && !off.isNull() && on != off);
    const QImage marks[2] = {pixmapImage(control<QLabel>("desktopMark")), pixmapImage(control<QLabel>("pictureMark"))};
    for (int i = 0; i < 2; ++i) {
        if (markOn < 0)
            QVERIFY(marks[i].isNull());
        else
            QCOMPARE(marks[i], i == markOn ? on : off);
    }
    QCOMPARE(control<SkinnedButton>("browseButton")->isButtonEnabled(), browseEnabled);
    QCOMPARE(control<PathBox>("pathBox")->toPlainText(), picture); // shown whatever the source
    QCOMPARE(preview()->size(), previewDrawn ? QSize(80, 60) : QSize(80, 80));
    // Saved untouched, the source is the one loaded.
    fixture_->click("saveButton");
    QCOMPARE(testfiles::readFile(fixture_->settingsPath()),
             testfiles::settingsBytes(SettingsFile::numberText(source).toLatin1(), picture.toUtf8(), " 20"));

    // The file chooser of a portable program starts in the picture's folder or the program's;
    // choosing the picture file by its mark opens the chooser without touching the folder.
    const QString program = SettingsLocation::programFolder().toDisplayString();
    QVERIFY(fixture_->open(qint16(source), picture, 20, program + QStringLiteral("/Helixcavern.ini")));
    if (!browseEnabled)
        DialogFixture::pressAndRelease(control("pictureMark"), Qt::LeftButton);
    QCOMPARE(fixture_->chooserStartFolder(), folderOfPicture ? fixture_->folder() : program);
}

void tst_settingsdialog::loadBySpeed_data()
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

void tst_settingsdialog::loadBySpeed()
{
    QFETCH(float, speed);
    QFETCH(int, position);
    QFETCH(QString, readOut);
    QVERIFY(fixture_->open(0, QString(), speed));
    auto *bar = control<QScrollBar>("speedBar");
    auto *readout = control<QLabel>("speedReadout");
    QCOMPARE(bar->minimum(), 1);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(bar->value(), position);
    QCOMPARE(readout->text(), readOut);
    QCOMPARE(readout->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
}

void tst_settingsdialog::previewByPicture_data()
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

void tst_settingsdialog::previewByPicture()
{
    QFETCH(QString, name);
    QFETCH(QSize, picture);
    QFETCH(QByteArray, format);
    QFETCH(QSize, display);
    QFETCH(bool, empty);
    const QString path = fixture_->path(name);
    if (picture.isValid())
        QVERIFY(writePicture(path, picture, format.constData()));
    else if (format == "folder")
        QVERIFY(QDir(fixture_->folder()).mkdir(name));
    else if (!format.isNull())
        QVERIFY(testfiles::writeFile(path, format == "garbage" ? QByteArray("\xFF\xD8 not really a JPEG") : format));
    QVERIFY(fixture_->open(1, path, 20));
    QCOMPARE(preview()->size(), display);
    QCOMPARE(preview()->pos(), control("pictureChoicePanel")->contentsRect().topLeft() + QPoint(272, 8)); // corner stays
    if (empty)
        QVERIFY(allPixels(preview()->surface(), emptyColour()));
}

void tst_settingsdialog::previewScalesWithoutBlending()
{
    const QString path = fixture_->path(QStringLiteral("halves.bmp"));
    QVERIFY(writePicture(path, QSize(400, 300), "BMP"));
    QVERIFY(fixture_->open(1, path, 20));
    const QImage &surface = preview()->surface();
    QCOMPARE(surface.size(), QSize(76, 56)); // 80 x 60 less the two-pixel border
    // Left half red, right half blue, the seam between columns 39 and 40 with no blended column.
    QCOMPARE(QColor(surface.pixel(39, 10)), QColor(Qt::red));
    QCOMPARE(QColor(surface.pixel(40, 10)), QColor(Qt::blue));
    QCOMPARE(QColor(surface.pixel(0, 55)), QColor(Qt::red));
    QCOMPARE(QColor(surface.pixel(75, 0)), QColor(Qt::blue));
}

void tst_settingsdialog::undecodablePictureEmptiesAnEarlierPreview()
{
    const QString good = fixture_->path(QStringLiteral("good.jpg"));
    const QString bad = fixture_->path(QStringLiteral("bad.jpg"));
    QVERIFY(writePicture(good, QSize(400, 300), "JPG"));
    QVERIFY(testfiles::writeFile(bad, QByteArray(1000, 'x')));
    QVERIFY(fixture_->open(1, good, 20));
    QCOMPARE(preview()->size(), QSize(80, 60));
    QVERIFY(fixture_->choosePicture(bad));
    // Not the picture previewed before: the empty box.
    QCOMPARE(preview()->size(), QSize(80, 80));
    QVERIFY(allPixels(preview()->surface(), emptyColour()));
}

void tst_settingsdialog::chooseSource_data()
{
    QTest::addColumn<QString>("control"); // object name pressed
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("source");
    QTest::addColumn<bool>("pathKept");
    QTest::addColumn<bool>("browseEnabled");
    // Starting with a 400 x 300 picture chosen and previewed.
    QTest::newRow("desktop mark, left") << "desktopMark" << int(Qt::LeftButton) << 0 << true << false;
    QTest::newRow("desktop mark, right") << "desktopMark" << int(Qt::RightButton) << 0 << true << false;
    QTest::newRow("desktop label, left") << "desktopLabel" << int(Qt::LeftButton) << 0 << false << false;
    QTest::newRow("desktop label, right") << "desktopLabel" << int(Qt::RightButton) << 0 << false << false;
    QTest::newRow("desktop label, middle") << "desktopLabel" << int(Qt::MiddleButton) << 0 << false << false;
    QTest::newRow("picture mark again") << "pictureMark" << int(Qt::LeftButton) << 1 << true << true;
    QTest::newRow("picture label again") << "pictureLabel" << int(Qt::RightButton) << 1 << true << true;
}

void tst_settingsdialog::chooseSource()
{
    QFETCH(QString, control);
    QFETCH(int, button);
    QFETCH(int, source);
    QFETCH(bool, pathKept);
    QFETCH(bool, browseEnabled);
    const QString picture = fixture_->path(QStringLiteral("p.jpg"));
    QVERIFY(writePicture(picture, QSize(400, 300), "JPG"));
    QVERIFY(fixture_->open(1, picture, 20));
    auto *pressed = this->control<EventLabel>(qPrintable(control));
    QVERIFY(pressed);
    DialogFixture::pressAndRelease(pressed, Qt::MouseButton(button));
    const char *const marks[2] = {"desktopMark", "pictureMark"};
    const QImage on = markPicture(":/dialog/option_on.jpg");
    const QImage off = markPicture(":/dialog/option_off.jpg");
    QCOMPARE(pixmapImage(this->control<QLabel>(marks[source])), on);
    QCOMPARE(pixmapImage(this->control<QLabel>(marks[source ^ 1])), off);
    auto *browse = this->control<SkinnedButton>("browseButton");
    auto *path = this->control<PathBox>("pathBox");
    QCOMPARE(browse->isButtonEnabled(), browseEnabled);
    QCOMPARE(path->toPlainText(), pathKept ? picture : QString());
    QCOMPARE(preview()->size(), pathKept ? QSize(80, 60) : QSize(80, 80));
    if (!pathKept)
        QVERIFY(allPixels(preview()->surface(), emptyColour()));

    // Choosing the picture file afterwards by its mark brings back neither path nor preview.
    QTest::mousePress(this->control("pictureMark"), Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(pixmapImage(this->control<QLabel>("pictureMark")), on);
    QCOMPARE(browse->isButtonEnabled(), true);
    QCOMPARE(path->toPlainText(), pathKept ? picture : QString());
    QCOMPARE(preview()->size(), pathKept ? QSize(80, 60) : QSize(80, 80));
    // What is saved is the source chosen last and the path the box shows.
    fixture_->click("saveButton");
    QCOMPARE(testfiles::readFile(fixture_->settingsPath()),
             testfiles::settingsBytes(" 1", pathKept ? picture.toUtf8() : QByteArray(""), " 20"));
}

void tst_settingsdialog::speedReadOutOnArrowTrackAndKeys_data()
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

void tst_settingsdialog::speedReadOutOnArrowTrackAndKeys()
{
    QFETCH(QString, action);
    QFETCH(int, value);
    QVERIFY(fixture_->open(0, QString(), 20));
    auto *bar = control<QScrollBar>("speedBar");
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
    QCOMPARE(control<QLabel>("speedReadout")->text(), QString::number(value));
    QVERIFY(!QFile::exists(fixture_->settingsPath())); // the setting itself is not touched until saving
}

void tst_settingsdialog::speedReadOutFollowsThumbDrag()
{
    QVERIFY(fixture_->open(0, QString(), 1));
    auto *bar = control<QScrollBar>("speedBar");
    auto *readout = control<QLabel>("speedReadout");
    QStringList seen;
    connect(bar, &QScrollBar::valueChanged, this, [&] { seen.append(readout->text()); });
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
    QCOMPARE(readout->text(), QStringLiteral("100"));
}

void tst_settingsdialog::pathBoxTakesNoLineBreaks()
{
    QVERIFY(fixture_->open(1, QString(), 20));
    auto *path = control<PathBox>("pathBox");
    path->setFocus();
    QTest::keyClicks(path, QStringLiteral("/tmp/x"));
    QTest::keyClick(path, Qt::Key_Return);
    QTest::keyClicks(path, QStringLiteral(".jpg"));
    QCOMPARE(path->toPlainText(), QStringLiteral("/tmp/x.jpg"));
    QApplication::clipboard()->setText(QStringLiteral("/a\n/b.jpg\r\n"));
    path->selectAll();
    path->paste();
    QCOMPARE(path->toPlainText(), QStringLiteral("/a/b.jpg"));
    // A path longer than one line wraps into the second line of the box instead of scrolling.
    path->setPlainText(QString(60, QLatin1Char('a')));
    QVERIFY(path->document()->lineCount() >= 1);
    QCOMPARE(path->document()->blockCount(), 1);
}

void tst_settingsdialog::linkOpensAddressUnderWaitCursor()
{
    QVERIFY(fixture_->open(0, QString(), 20));
    auto *link = control<QLabel>("linkLabel");
    UrlCatcher catcher;
    const QUrl address(link->text());
    QVERIFY(address.isValid());
    QDesktopServices::setUrlHandler(address.scheme(), &catcher, "open");
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
    QDesktopServices::unsetUrlHandler(address.scheme());
    QCOMPARE(catcher.urls, QList<QUrl>{address});
    QCOMPARE(catcher.cursorShapes, QList<int>{int(Qt::WaitCursor)});
    QVERIFY(!QGuiApplication::overrideCursor()); // set back afterwards
    // A right click is no click; the label shows the custom pointer.
    QTest::mouseClick(link, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(catcher.urls.size(), 1);
    QCOMPARE(link->cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(link->cursor().hotSpot(), QPoint(12, 10));
}

void tst_settingsdialog::loadRemembersPointerForAnimation()
{
    QCursor::setPos(123, 45);
    if (QCursor::pos() != QPoint(123, 45))
        QSKIP("this platform does not move the pointer");
    SettingsDialog *d = fixture_->open(0, QString(), 20);
    QVERIFY(d);
    // The pointer moves on; the closing outline still shrinks to where it was when the dialog opened.
    QCursor::setPos(300, 300);
    const QRect window = d->frameGeometry();
    const QRect origin(123, 45, 0, 0);
    QList<QRect> frames;
    QTimer probe;
    probe.setInterval(5);
    connect(&probe, &QTimer::timeout, this, [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<OutlineAnimation *>(w) && w->isVisible())
                frames.append(w->geometry());
    });
    probe.start();
    d->close();
    probe.stop();
    QCOMPARE(fixture_->finishedStatuses(), QList<int>{0});
    QVERIFY2(frames.size() >= 2, qPrintable(QString::number(frames.size())));
    // Each frame shown lies on the way from the window to the remembered point.
    for (const QRect &frame : frames) {
        bool onTheWay = false;
        for (int step = 0; step <= 1000 && !onTheWay; ++step)
            onTheWay = DialogLayout::animationFrame(window, origin, step / 1000.0) == frame;
        QVERIFY2(onTheWay, qPrintable(QStringLiteral("%1,%2 %3x%4").arg(frame.x()).arg(frame.y())
                                          .arg(frame.width()).arg(frame.height())));
    }
    QVERIFY(frames.last().width() < frames.first().width());
}

void tst_settingsdialog::outlineGrowsFromPointToWindow()
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

void tst_settingsdialog::buttonsComeFromTheirDesign()
{
    SettingsDialog *d = fixture_->open(0, QString(), 20);
    QVERIFY(d);
    auto *browse = control<SkinnedButton>("browseButton");
    auto *cancel = control<SkinnedButton>("cancelButton");
    auto *save = control<SkinnedButton>("saveButton");
    const QList<SkinnedButton *> buttons = d->findChildren<SkinnedButton *>();
    QCOMPARE(buttons, (QList<SkinnedButton *>{browse, cancel, save})); // the window's control order
    for (SkinnedButton *button : buttons) {
        QCOMPARE(button->state(), SkinnedButton::StateNormal); // hover tracking started
        QCOMPARE(QFontInfo(button->captionFont()).family(), QStringLiteral("IPAPGothic"));
    }
    // The browse button was disabled by the opening steps; the other two still hold only their
    // design: the caption and the font (which matches the window's ambient font, so it need not be stored).
    for (SkinnedButton *button : {cancel, save}) {
        PropertyBag saved;
        button->writeProperties(saved);
        QVERIFY(saved.contains(QStringLiteral("Caption")));
        for (const QString &key : saved.keys())
            QVERIFY2(key == QLatin1String("Caption") || key == QLatin1String("Font"), qPrintable(key));
    }
    // Disabled and enabled, a button shows the matching look: the browse button follows the source.
    QVERIFY(!browse->isButtonEnabled());
    VERIFY_SHOWS_SKIN(*browse, SkinnedButton::Skin::Disable);
    DialogFixture::pressAndRelease(control("pictureMark"), Qt::LeftButton);
    QVERIFY(browse->isButtonEnabled());
    VERIFY_SHOWS_SKIN(*browse, SkinnedButton::Skin::Normal);
    for (SkinnedButton *button : {cancel, save}) {
        QVERIFY(button->isButtonEnabled());
        VERIFY_SHOWS_SKIN(*button, SkinnedButton::Skin::Normal);
    }
}

void tst_settingsdialog::tabOrderFollowsDesign()
{
    SettingsDialog *d = fixture_->open(1, QString(), 20);
    QVERIFY(d);
    QApplication::setActiveWindow(d);
    QTRY_COMPARE(QApplication::focusWidget(), control("pictureChoicePanel")); // the first stop at start
    const QList<const char *> forward{"speedPanel", "speedBar", "pathBox", "cancelButton", "saveButton",
                                      "browseButton", "pictureChoicePanel"};
    for (const char *expected : forward) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), control(expected));
    }
    const QList<const char *> backward{"browseButton", "saveButton", "cancelButton", "pathBox", "speedBar",
                                       "speedPanel", "pictureChoicePanel"};
    for (const char *expected : backward) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), control(expected));
    }
}

QTEST_MAIN(tst_settingsdialog)
#include "tst_settingsdialog.moc"
