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

// The test's own connection, standing in for the daemon.
class Daemon
{
public:
    Daemon() : display_(XOpenDisplay(nullptr)) {}
    ~Daemon()
    {
        if (display_)
            XCloseDisplay(display_);
    }
    bool valid() const { return display_ != nullptr; }

    Window window()
    {
        return XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 100, 100, 0, 0, 0);
    }
    // A pixmap of the screen's depth holding `picture`.
    Pixmap pixmapOf(QImage picture)
    {
        const int screen = DefaultScreen(display_);
        const Pixmap pixmap = XCreatePixmap(display_, DefaultRootWindow(display_), unsigned(picture.width()),
                                            unsigned(picture.height()), unsigned(DefaultDepth(display_, screen)));
        XImage *image = XCreateImage(display_, DefaultVisual(display_, screen), unsigned(DefaultDepth(display_, screen)),
                                     ZPixmap, 0, reinterpret_cast<char *>(picture.bits()), unsigned(picture.width()),
                                     unsigned(picture.height()), 32, int(picture.bytesPerLine()));
        XPutImage(display_, pixmap, DefaultGC(display_, screen), image, 0, 0, 0, 0, unsigned(picture.width()),
                  unsigned(picture.height()));
        image->data = nullptr; // the picture's
        XDestroyImage(image);
        return pixmap;
    }
    void nameScreenshot(Window window, unsigned long pixmap, Atom type = XA_PIXMAP)
    {
        XChangeProperty(display_, window, XInternAtom(display_, "_SCREENSAVER_SCREENSHOT", False), type, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char *>(&pixmap), 1);
        XSync(display_, False);
    }
    Display *display() const { return display_; }

private:
    Display *display_;
};

} // namespace

class tst_screenshotproperty : public QObject
{
    Q_OBJECT

private slots:
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
        Daemon daemon;
        QVERIFY(daemon.valid());
        const QImage picture = pattern(size);
        const Window host = daemon.window();
        daemon.nameScreenshot(host, daemon.pixmapOf(picture));
        const std::unique_ptr<ScreenshotProperty> shot = ScreenshotProperty::open(host);
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
        Daemon daemon;
        QVERIFY(daemon.valid());
        const Window host = daemon.window();
        const Pixmap pixmap = which == QLatin1String("bitmap")
            ? XCreatePixmap(daemon.display(), host, 8, 8, 1)
            : daemon.pixmapOf(pattern(QSize(8, 8)));
        if (which == QLatin1String("freed"))
            XFreePixmap(daemon.display(), pixmap);
        if (which != QLatin1String("none"))
            daemon.nameScreenshot(host, pixmap, which == QLatin1String("cardinal") ? XA_CARDINAL : XA_PIXMAP);
        QVERIFY(!ScreenshotProperty::open(host));
    }
};

QTEST_GUILESS_MAIN(tst_screenshotproperty)
#include "tst_screenshotproperty.moc"
