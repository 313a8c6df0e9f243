// The preview mode end to end: helixcavern /p <window> under Xvfb, embedded into host windows made
// by the test, checked by screenshots, the window tree, the process's end and its file accesses.
#include "tests/support/E2eHarness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <X11/Xlib.h>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace e2e;

namespace {

const QString PreviewCaption = QStringLiteral("Preview Window");
const QRgb HostColour = qRgb(255, 0, 0); // any part of a host the preview leaves uncovered shows red
const QRgb Black = qRgb(0, 0, 0);
constexpr int ShowTimeoutMs = 10000;
constexpr int EndAfterHostMs = 1000;
constexpr int EndAtOnceMs = 3000;

QImage builtInPicture()
{
    return QImage(QStringLiteral(":/preview/preview.jpg")).convertToFormat(QImage::Format_RGB32);
}

// What a host of `size` must show: the picture at its own size from the top-left corner, clipped,
// and black wherever the picture does not reach.
QImage expectedHostPixels(QSize size)
{
    QImage expected(size, QImage::Format_RGB32);
    expected.fill(Black);
    QPainter painter(&expected);
    painter.drawImage(0, 0, builtInPicture());
    return expected;
}

QString idText(WindowId window) { return QString::number(window); }

// The preview window that sits in `host`, once it is viewable there.
std::optional<WindowId> embeddedPreview(const XServer &x, WindowId host)
{
    for (WindowId w : x.windowsWithCaption(PreviewCaption))
        if (x.parentOf(w) == std::optional<WindowId>(host) && x.isViewable(w))
            return w;
    return std::nullopt;
}

bool hostShows(const XServer &x, const QRect &hostRect, const QImage &expected)
{
    return x.grabRect(hostRect) == expected;
}

// Watches a folder for files being opened: the program must never open its settings file here.
class OpenWatch
{
public:
    explicit OpenWatch(const QString &folder) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (fd_ >= 0)
            inotify_add_watch(fd_, QFile::encodeName(folder).constData(), IN_OPEN | IN_ACCESS);
    }
    ~OpenWatch()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool valid() const { return fd_ >= 0; }
    // Names of files opened or read since the last call.
    QStringList touched()
    {
        QStringList names;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (ssize_t at = 0; at < n;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                if (event->len > 0)
                    names << QFile::decodeName(event->name);
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return names;
    }

private:
    int fd_;
};

} // namespace

class tst_e2e_preview : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void picturePlacedInHost_data();
    void picturePlacedInHost();
    void twoPreviewsRunSideBySide();
    void endsWhenHostLetsGo_data();
    void endsWhenHostLetsGo();
    void hiddenHostKeepsPreview();
    void hostVanishesDuringSetUp_data();
    void hostVanishesDuringSetUp();
    void noHostEndsAtOnce_data();
    void noHostEndsAtOnce();
    void settingsFileIsNeverOpened_data();
    void settingsFileIsNeverOpened();

private:
    QTemporaryDir runtimeDir_;
};

void tst_e2e_preview::initTestCase()
{
    // A desktop session provides a runtime folder; without one Qt warns on standard error, which
    // these tests require to stay empty.
    QVERIFY(runtimeDir_.isValid());
    QVERIFY(QFile::setPermissions(runtimeDir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir_.path()));
    const QImage picture = builtInPicture();
    QCOMPARE(picture.size(), QSize(152, 112));
}

void tst_e2e_preview::picturePlacedInHost_data()
{
    QTest::addColumn<QSize>("hostSize");
    QTest::addColumn<QString>("switchText");
    QTest::addColumn<QString>("scaleFactor"); // QT_SCALE_FACTOR, none when empty
    QTest::newRow("exactly the picture") << QSize(152, 112) << QStringLiteral("/p") << QString();
    QTest::newRow("larger: black right and below") << QSize(300, 200) << QStringLiteral("/p") << QString();
    QTest::newRow("smaller: top-left part") << QSize(100, 50) << QStringLiteral("/p") << QString();
    QTest::newRow("wider but shorter") << QSize(260, 60) << QStringLiteral("/P") << QString();
    QTest::newRow("narrower but taller") << QSize(90, 170) << QStringLiteral("-p") << QString();
    QTest::newRow("one pixel") << QSize(1, 1) << QStringLiteral("/p") << QString();
    QTest::newRow("past 16-bit twips") << QSize(2200, 120) << QStringLiteral("/p") << QString();
    // A scaled screen: still the host's size exactly, the picture one device pixel per pixel.
    QTest::newRow("scaled twice") << QSize(300, 200) << QStringLiteral("/p") << QStringLiteral("2");
    QTest::newRow("scaled twice, past 16-bit twips") << QSize(2200, 120) << QStringLiteral("/p") << QStringLiteral("2");
}

void tst_e2e_preview::picturePlacedInHost()
{
    QFETCH(QSize, hostSize);
    QFETCH(QString, switchText);
    QFETCH(QString, scaleFactor);
    XServer x(QSize(2400, 400));
    QVERIFY(x.isRunning());
    ProgramCopy program;
    QVERIFY(program.isValid());
    const QRect hostRect(QPoint(37, 23), hostSize);
    const WindowId host = x.createWindow(hostRect, {}, HostColour);

    QProcessEnvironment environment;
    if (!scaleFactor.isEmpty())
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), scaleFactor);
    Run run(program, x, {switchText, idText(host)}, environment);
    QVERIFY(run.started());
    std::optional<WindowId> preview;
    QVERIFY2(waitUntil([&] { return (preview = embeddedPreview(x, host)).has_value() || !run.isRunning(); }, ShowTimeoutMs)
                 && preview,
             "no preview window became viewable inside the host");
    QCOMPARE(x.geometryOnRoot(*preview), std::optional<QRect>(hostRect));

    const QImage expected = expectedHostPixels(hostSize);
    if (!waitUntil([&] { return hostShows(x, hostRect, expected); }, ShowTimeoutMs)) {
        x.grabRect(hostRect).save(QDir::temp().filePath(QStringLiteral("preview_test_shot.png")));
        QFAIL("the host does not show the picture at its own size on black (shot saved to preview_test_shot.png)");
    }
    QVERIFY(run.isRunning());
}

void tst_e2e_preview::twoPreviewsRunSideBySide()
{
    XServer x(QSize(640, 300));
    QVERIFY(x.isRunning());
    ProgramCopy program;
    QVERIFY(program.isValid());
    const QRect firstRect(10, 10, 200, 150), secondRect(300, 40, 120, 90);
    const WindowId first = x.createWindow(firstRect, {}, HostColour);
    const WindowId second = x.createWindow(secondRect, {}, HostColour);

    Run firstRun(program, x, {QStringLiteral("/p"), idText(first)});
    QVERIFY(waitUntil([&] { return hostShows(x, firstRect, expectedHostPixels(firstRect.size())); }, ShowTimeoutMs));
    Run secondRun(program, x, {QStringLiteral("/p"), idText(second)});
    QVERIFY(waitUntil([&] { return hostShows(x, secondRect, expectedHostPixels(secondRect.size())); }, ShowTimeoutMs));
    QVERIFY(firstRun.isRunning());
    QVERIFY(hostShows(x, firstRect, expectedHostPixels(firstRect.size())));

    // Closing the first host ends only the first preview.
    x.destroyWindow(first);
    QVERIFY(firstRun.waitForExit(EndAfterHostMs));
    QVERIFY(secondRun.isRunning());
    QVERIFY(hostShows(x, secondRect, expectedHostPixels(secondRect.size())));
}

void tst_e2e_preview::endsWhenHostLetsGo_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("host destroyed") << QStringLiteral("destroy host");
    QTest::newRow("host's own parent destroyed") << QStringLiteral("destroy frame");
    QTest::newRow("preview destroyed by the host") << QStringLiteral("destroy preview");
    QTest::newRow("preview unmapped by the host") << QStringLiteral("unmap preview");
    QTest::newRow("preview taken to another parent") << QStringLiteral("reparent preview");
}

void tst_e2e_preview::endsWhenHostLetsGo()
{
    QFETCH(QString, how);
    XServer x(QSize(400, 300));
    QVERIFY(x.isRunning());
    ProgramCopy program;
    QVERIFY(program.isValid());
    const WindowId frame = x.createWindow(QRect(20, 20, 260, 200), {}, qRgb(0, 0, 255));
    const WindowId host = x.createWindow(QRect(10, 10, 160, 120), {}, HostColour, frame);
    Run run(program, x, {QStringLiteral("/p"), idText(host)});
    std::optional<WindowId> preview;
    QVERIFY(waitUntil([&] { return (preview = embeddedPreview(x, host)).has_value(); }, ShowTimeoutMs));

    Display *display = x.connection();
    QElapsedTimer sinceLetGo;
    sinceLetGo.start();
    if (how == QLatin1String("destroy host"))
        x.destroyWindow(host);
    else if (how == QLatin1String("destroy frame"))
        x.destroyWindow(frame);
    else if (how == QLatin1String("destroy preview"))
        x.destroyWindow(*preview);
    else if (how == QLatin1String("unmap preview"))
        x.unmapWindow(*preview);
    else if (how == QLatin1String("reparent preview"))
        XReparentWindow(display, *preview, DefaultRootWindow(display), 0, 0);
    x.sync();

    QVERIFY2(run.waitForExit(EndAfterHostMs), "the preview outlived its host by more than a second");
    qInfo("ended %lld ms after the host let go", sinceLetGo.elapsed());
    QVERIFY(run.exitedNormally());
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(run.standardError(), QByteArray());
}

void tst_e2e_preview::hiddenHostKeepsPreview()
{
    XServer x(QSize(400, 300));
    QVERIFY(x.isRunning());
    ProgramCopy program;
    QVERIFY(program.isValid());
    const QRect hostRect(30, 40, 200, 130);
    const WindowId host = x.createWindow(hostRect, {}, HostColour);
    Run run(program, x, {QStringLiteral("/p"), idText(host)});
    const QImage expected = expectedHostPixels(hostRect.size());
    QVERIFY(waitUntil([&] { return hostShows(x, hostRect, expected); }, ShowTimeoutMs));

    // A host hidden for a while (a tab switched away) shows the same preview when it comes back.
    x.unmapWindow(host);
    QVERIFY(!waitUntil([&] { return !run.isRunning(); }, 500));
    XMapWindow(x.connection(), host);
    x.sync();
    QVERIFY(waitUntil([&] { return hostShows(x, hostRect, expected); }, ShowTimeoutMs));
    QVERIFY(run.isRunning());
}

void tst_e2e_preview::hostVanishesDuringSetUp_data()
{
    // Destroyed at different moments of the start: before the program looks at it, while the
    // toolkit makes its window a child of it, while the watch begins, or just after.
    QTest::addColumn<int>("delayMs");
    for (int delay : {0, 40, 80, 120, 160, 200, 240, 280, 350, 450})
        QTest::addRow("after %d ms", delay) << delay;
}

void tst_e2e_preview::hostVanishesDuringSetUp()
{
    QFETCH(int, delayMs);
    XServer x(QSize(320, 240));
    QVERIFY(x.isRunning());
    ProgramCopy program;
    QVERIFY(program.isValid());
    const WindowId host = x.createWindow(QRect(10, 10, 160, 120), {}, HostColour);
    Run run(program, x, {QStringLiteral("/p"), idText(host)});
    QTest::qWait(delayMs);
    x.destroyWindow(host);

    QVERIFY2(run.waitForExit(EndAtOnceMs), "the program lives on although its host is gone");
    QVERIFY(run.exitedNormally());
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(run.standardError(), QByteArray());
    QVERIFY(x.windowsWithCaption(PreviewCaption).isEmpty());
}

void tst_e2e_preview::noHostEndsAtOnce_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("handle 0") << QStringList{QStringLiteral("/p"), QStringLiteral("0")};
    QTest::newRow("no handle") << QStringList{QStringLiteral("/p")};
    QTest::newRow("handle of a destroyed window") << QStringList{QStringLiteral("/p"), QStringLiteral("destroyed")};
    QTest::newRow("id no client holds") << QStringList{QStringLiteral("/p"), QString::number(0x1ff00001)};
    QTest::newRow("negative handle") << QStringList{QStringLiteral("/p"), QStringLiteral("-4660")};
    QTest::newRow("beyond 32 bits") << QStringList{QStringLiteral("/p"), QStringLiteral("99999999999")};
    QTest::newRow("not a number") << QStringList{QStringLiteral("/p"), QStringLiteral("window")};
}

void tst_e2e_preview::noHostEndsAtOnce()
{
    QFETCH(QStringList, arguments);
    XServer x(QSize(320, 240));
    QVERIFY(x.isRunning());
    ProgramCopy program;
    QVERIFY(program.isValid());
    if (arguments.last() == QLatin1String("destroyed")) {
        const WindowId gone = x.createWindow(QRect(0, 0, 50, 50));
        x.destroyWindow(gone);
        arguments.last() = idText(gone);
    }
    const QList<WindowId> before = x.viewableTopLevels();

    Run run(program, x, arguments);
    QVERIFY2(run.waitForExit(EndAtOnceMs), "the program waits although there is no host");
    qInfo("ended %lld ms after its start", run.elapsedMs());
    QVERIFY(run.exitedNormally());
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(run.standardError(), QByteArray());
    QCOMPARE(x.viewableTopLevels(), before);
    QVERIFY(x.windowsWithCaption(PreviewCaption).isEmpty());
}

void tst_e2e_preview::settingsFileIsNeverOpened_data()
{
    QTest::addColumn<QString>("settings");
    QTest::newRow("no settings file") << QStringLiteral("none");
    QTest::newRow("garbled bytes") << QStringLiteral("garbled");
    QTest::newRow("names a missing picture") << QStringLiteral("missing picture");
    // Opening a pipe without a writer blocks: a program that opened it would never show a preview.
    QTest::newRow("pipe that blocks whoever opens it") << QStringLiteral("fifo");
}

void tst_e2e_preview::settingsFileIsNeverOpened()
{
    QFETCH(QString, settings);
    XServer x(QSize(320, 240));
    QVERIFY(x.isRunning());
    ProgramCopy program;
    QVERIFY(program.isValid());
    if (settings == QLatin1String("garbled"))
        program.writeSettings(QByteArray("\xff\xfe[Sec\0tion]\r\n\x93\x5c=\x81\n=\n[[[\r", 24) + QByteArray(5000, '\x82'));
    else if (settings == QLatin1String("missing picture"))
        program.writeSettings(QByteArray("[Section]\r\n\x89\xe6\x91\x9c=1\r\n\x89\xe6\x91\x9c\xcc\xa7\xb2\xd9=/nowhere/x.jpg\r\n"));
    else if (settings == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(program.settingsFile()).constData(), 0600), 0);
    OpenWatch watch(program.folder());
    QVERIFY(watch.valid());

    const QRect hostRect(5, 5, 152, 112);
    const WindowId host = x.createWindow(hostRect, {}, HostColour);
    Run run(program, x, {QStringLiteral("/p"), idText(host)});
    QVERIFY(waitUntil([&] { return hostShows(x, hostRect, expectedHostPixels(hostRect.size())); }, ShowTimeoutMs));
    x.destroyWindow(host);
    QVERIFY(run.waitForExit(EndAfterHostMs));
    QCOMPARE(run.exitCode(), 0);
    QVERIFY2(!watch.touched().contains(QStringLiteral("Helixcavern.ini")), "the settings file was opened");
}

QTEST_GUILESS_MAIN(tst_e2e_preview)
#include "tst_e2e_preview.moc"
