// Tests of the desktop capture under Xvfb: the shared-memory way gives the toolkit's pixels, row by
// row, for the whole screen and for parts of it, and refuses what it cannot take so the toolkit's
// way is used; the master sampled from the rows is the master of the whole capture.
#include "platform/ToolkitX11.h"
#include "platform/X11DesktopCapture.h"
#include "platform/X11SharedMemoryGrab.h"
#include "saver/MasterImage.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>

namespace {
// The root window's background becomes a picture in which every pixel differs from its
// neighbours, so an area taken one pixel off or a channel swapped cannot match.
bool paintDesktop(Display *display)
{
    const int screen = DefaultScreen(display);
    const int w = DisplayWidth(display, screen);
    const int h = DisplayHeight(display, screen);
    const Window root = RootWindow(display, screen);
    XImage *image = XCreateImage(display, DefaultVisual(display, screen), unsigned(DefaultDepth(display, screen)),
                                 ZPixmap, 0, nullptr, unsigned(w), unsigned(h), 32, 0);
    if (image == nullptr)
        return false;
    image->data = static_cast<char *>(std::malloc(std::size_t(image->bytes_per_line) * std::size_t(h)));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            XPutPixel(image, x, y, (unsigned long)((x * 7 + y) & 0xff) << 16 | (unsigned long)((y * 5 + x / 3) & 0xff) << 8 | (unsigned long)((x ^ y) & 0xff));
    const Pixmap pixmap = XCreatePixmap(display, root, unsigned(w), unsigned(h), unsigned(DefaultDepth(display, screen)));
    XPutImage(display, pixmap, DefaultGC(display, screen), image, 0, 0, 0, 0, unsigned(w), unsigned(h));
    XDestroyImage(image);
    XSetWindowBackgroundPixmap(display, root, pixmap);
    XClearWindow(display, root);
    XFreePixmap(display, pixmap);
    XSync(display, False);
    return true;
}

QImage toolkitCapture(QScreen *screen, QRect area)
{
    return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage().convertToFormat(QImage::Format_RGB32);
}

// Shared memory segments this process made that still exist (System V, as the kernel lists them).
int ownSegments()
{
    QFile list(QStringLiteral("/proc/sysvipc/shm"));
    if (!list.open(QIODevice::ReadOnly))
        return -1;
    int count = 0;
    list.readLine(); // the column names
    while (!list.atEnd()) {
        const QList<QByteArray> columns = list.readLine().simplified().split(' ');
        count += columns.size() > 4 && columns[4].toLongLong() == QCoreApplication::applicationPid() ? 1 : 0;
    }
    return count;
}

// Every row of `reader`, as one image.
QImage allRows(X11SharedMemoryGrab &reader)
{
    QImage image(reader.size(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        const std::uint32_t *row = reader.row(y);
        if (row == nullptr)
            return {};
        std::memcpy(image.scanLine(y), row, std::size_t(image.width()) * 4);
    }
    return image;
}

// Pixels whose red, green or blue differ; -1 when the sizes differ.
int differingColours(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += (a.pixel(x, y) & 0xffffff) != (b.pixel(x, y) & 0xffffff) ? 1 : 0;
    return count;
}
} // namespace

class tst_desktopcapture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(ToolkitX11::display() != nullptr);
        QVERIFY(paintDesktop(ToolkitX11::display()));
    }

    void sharedMemoryGivesTheToolkitsPixels_data()
    {
        QTest::addColumn<QRect>("area");
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        QTest::newRow("whole screen") << QRect(QPoint(0, 0), screen);
        QTest::newRow("top-left part") << QRect(0, 0, 333, 197);
        QTest::newRow("inner part, odd offset") << QRect(17, 29, 101, 53);
        QTest::newRow("bottom-right pixel") << QRect(screen.width() - 1, screen.height() - 1, 1, 1);
    }
    void sharedMemoryGivesTheToolkitsPixels()
    {
        QFETCH(QRect, area);
        const std::unique_ptr<X11SharedMemoryGrab> shared = X11SharedMemoryGrab::open(ToolkitX11::display(), area);
        QVERIFY2(shared, "Xvfb offers MIT-SHM, so this way must be open");
        QCOMPARE(shared->size(), area.size());
        QCOMPARE(differingColours(allRows(*shared), toolkitCapture(QGuiApplication::primaryScreen(), area)), 0);
    }

    // The rows the master takes, read one by one, make the master of the whole capture: the same
    // texture, whichever way and whatever the ratio of the sides.
    void sampledMasterIsTheMasterOfTheWholeCapture_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("whole screen") << QGuiApplication::primaryScreen()->geometry().size();
        QTest::newRow("1023x767") << QSize(1023, 767);
        QTest::newRow("513x511") << QSize(513, 511);
        QTest::newRow("700x300") << QSize(700, 300);
        QTest::newRow("37x700") << QSize(37, 700);
        QTest::newRow("1x1") << QSize(1, 1);
    }
    void sampledMasterIsTheMasterOfTheWholeCapture()
    {
        QFETCH(QSize, size);
        QScreen *screen = QGuiApplication::primaryScreen();
        const QImage sampled = MasterImage::sampleToMaster(X11DesktopCapture::open(screen, size).get());
        QCOMPARE(sampled.size(), QSize(MasterImage::MasterSize, MasterImage::MasterSize));
        QCOMPARE(differingColours(sampled, MasterImage::scaleToMaster(toolkitCapture(screen, QRect(QPoint(0, 0), size)))), 0);
    }

    void refusesWhatItCannotTake_data()
    {
        QTest::addColumn<bool>("display");
        QTest::addColumn<QRect>("area");
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        QTest::newRow("no display") << false << QRect(0, 0, 10, 10);
        QTest::newRow("empty area") << true << QRect(0, 0, 0, 10);
        QTest::newRow("wider than the root") << true << QRect(QPoint(0, 0), screen + QSize(1, 0));
        QTest::newRow("above the root") << true << QRect(0, -1, 10, 10);
        QTest::newRow("left of the root") << true << QRect(-5, 0, 10, 10);
        QTest::newRow("past the bottom") << true << QRect(0, screen.height() - 5, 10, 10);
    }
    void refusesWhatItCannotTake()
    {
        QFETCH(bool, display);
        QFETCH(QRect, area);
        QVERIFY(!X11SharedMemoryGrab::open(display ? ToolkitX11::display() : nullptr, area));
    }

    void segmentGoesWithTheReader()
    {
        QCOMPARE(ownSegments(), 0);
        {
            const std::unique_ptr<X11SharedMemoryGrab> shot = X11SharedMemoryGrab::open(ToolkitX11::display(), QRect(0, 0, 640, 480));
            QVERIFY(shot && shot->row(479));
            QCOMPARE(ownSegments(), 1);
        }
        QCOMPARE(ownSegments(), 0);
        for (int i = 0; i < 50; ++i)
            QVERIFY(X11SharedMemoryGrab::open(ToolkitX11::display(), QRect(0, 0, 64, 48)));
        QCOMPARE(ownSegments(), 0);
    }
};

QTEST_MAIN(tst_desktopcapture)
#include "tst_desktopcapture.moc"
