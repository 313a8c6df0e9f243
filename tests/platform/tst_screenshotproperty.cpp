// Tests of the daemon's desktop picture under Xvfb: the master sampled from its rows is the master
// of the whole picture, whatever the ratio of its sides, and windows without a usable one give none.
#include "platform/ScreenshotProperty.h"
#include "saver/MasterImage.h"

#include <QTest>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// Every pixel differs from its neighbours, so a row or column taken one off cannot match.
QImage pattern(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb((x * 7 + y) & 0xff, (y * 5 + x / 3) & 0xff, (x ^ y) & 0xff));
    return image;
}

// A pixmap of the screen's depth holding `picture`.
Pixmap pixmapOf(Display *display, QImage picture)
{
    const int screen = DefaultScreen(display);
    const unsigned depth = unsigned(DefaultDepth(display, screen));
    const Pixmap pixmap = XCreatePixmap(display, DefaultRootWindow(display), unsigned(picture.width()),
                                        unsigned(picture.height()), depth);
    XImage *image = XCreateImage(display, DefaultVisual(display, screen), depth, ZPixmap, 0,
                                 reinterpret_cast<char *>(picture.bits()), unsigned(picture.width()),
                                 unsigned(picture.height()), 32, int(picture.bytesPerLine()));
    XPutImage(display, pixmap, DefaultGC(display, screen), image, 0, 0, 0, 0, unsigned(picture.width()),
              unsigned(picture.height()));
    image->data = nullptr; // the picture's
    XDestroyImage(image);
    return pixmap;
}

// A window whose _SCREENSAVER_SCREENSHOT names `pixmap` as a property of `type` (none for 0).
Window hostWith(Display *display, unsigned long pixmap, Atom type = XA_PIXMAP)
{
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 100, 100, 0, 0, 0);
    if (pixmap != 0)
        XChangeProperty(display, window, XInternAtom(display, "_SCREENSAVER_SCREENSHOT", False), type, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char *>(&pixmap), 1);
    XSync(display, False);
    return window;
}

} // namespace

class tst_screenshotproperty : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY((display_ = XOpenDisplay(nullptr)) != nullptr); }
    void cleanupTestCase() { XCloseDisplay(display_); }

    void sampledMasterIsTheMasterOfThePicture_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("1283x517") << QSize(1283, 517);
        QTest::newRow("2049x1031") << QSize(2049, 1031);
        QTest::newRow("511x1537") << QSize(511, 1537);
        QTest::newRow("4001x7, few rows") << QSize(4001, 7);
        QTest::newRow("3x2") << QSize(3, 2);
    }
    void sampledMasterIsTheMasterOfThePicture()
    {
        QFETCH(QSize, size);
        const QImage picture = pattern(size);
        const std::unique_ptr<ScreenshotProperty> shot = ScreenshotProperty::open(hostWith(display_, pixmapOf(display_, picture)));
        QVERIFY(shot);
        QCOMPARE(shot->size(), size);
        QCOMPARE(MasterImage::sampleToMaster(shot.get()), MasterImage::scaleToMaster(picture));
    }

    void noUsablePixmapGivesNone_data()
    {
        QTest::addColumn<QString>("which");
        QTest::newRow("no property") << QStringLiteral("none");
        QTest::newRow("pixmap freed") << QStringLiteral("freed");
        QTest::newRow("one-bit pixmap") << QStringLiteral("bitmap");
        QTest::newRow("property of another type") << QStringLiteral("cardinal");
    }
    void noUsablePixmapGivesNone()
    {
        QFETCH(QString, which);
        const Pixmap pixmap = which == QLatin1String("bitmap") ? XCreatePixmap(display_, DefaultRootWindow(display_), 8, 8, 1)
                                                               : pixmapOf(display_, pattern(QSize(8, 8)));
        if (which == QLatin1String("freed"))
            XFreePixmap(display_, pixmap);
        const Atom type = which == QLatin1String("cardinal") ? XA_CARDINAL : XA_PIXMAP;
        QVERIFY(!ScreenshotProperty::open(hostWith(display_, which == QLatin1String("none") ? 0 : pixmap, type)));
    }

private:
    Display *display_ = nullptr;
};

QTEST_GUILESS_MAIN(tst_screenshotproperty)
#include "tst_screenshotproperty.moc"
