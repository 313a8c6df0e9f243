// The settings dialog end to end: helixcavern /c under Xvfb, driven by a real pointer and keyboard
// (xdotool), checked by its window, screenshots and the settings file's bytes; then /s shows the
// picture and speed that were saved.
#include "tests/support/E2eHarness.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QImage>
#include <QTest>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cmath>

using namespace e2e;

namespace {
const QString DialogCaption = QStringLiteral("Helixcavernの設定");
const QString ChooserCaption = QStringLiteral("ﾌｧｲﾙを開く");
const QString SaverCaption = QStringLiteral("Helixcavern_Main");
constexpr int ShowTimeoutMs = 15000;
constexpr int EndTimeoutMs = 5000;

using testfiles::KeySource;
using testfiles::KeySpeed;

QByteArray settings(const QByteArray &source, const QByteArray &file, const QByteArray &speed)
{
    return testfiles::settingsBytes(source, file, speed);
}

// Points in the dialog's client area, in pixels. The panels' controls sit inside a 2-pixel border.
const QPoint PictureChoiceLabel(12 + 2 + 132 + 30, 12 + 2 + 32 + 6);
const QPoint DesktopChoiceLabel(12 + 2 + 132 + 30, 12 + 2 + 12 + 6);
const QPoint BrowseButton(12 + 2 + 228 + 18, 12 + 2 + 28 + 10);
const QPoint SpeedRightArrow(12 + 2 + 148 + 117 - 8, 120 + 2 + 12 + 8);
const QPoint CancelButton(232 + 36, 192 + 12);
const QPoint SaveButton(304 + 36, 192 + 12);
const QRect PreviewBox(12 + 2 + 272, 12 + 2 + 8, 80, 80);

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}


// Sends what a window manager's close control sends: WM_DELETE_WINDOW in WM_PROTOCOLS.
void sendCloseRequest(const XServer &x, WindowId window)
{
    Display *display = x.connection();
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}
} // namespace

class tst_e2e_dialog : public QObject
{
    Q_OBJECT
private slots:
    void opensPlacedAndDrawn();
    void clickThroughSaveThenSaverUsesIt();
    void leavingWithoutSavingKeepsTheFile_data();
    void leavingWithoutSavingKeepsTheFile();

private:
    // Waits for the dialog and remembers where its client area is on the screen.
    bool waitForDialog(const XServer &x, const Run &run);
    bool click(const XServer &x, QPoint inDialog, int times = 1);
    WindowId dialog_ = 0;
    QRect client_;
};

bool tst_e2e_dialog::waitForDialog(const XServer &x, const Run &run)
{
    const bool shown = waitUntil(
        [&] {
            if (!run.isRunning())
                return false;
            const auto window = x.findWindow(DialogCaption);
            if (!window || !x.isViewable(*window))
                return false;
            dialog_ = *window;
            client_ = x.geometryOnRoot(*window).value_or(QRect());
            return client_.isValid();
        },
        ShowTimeoutMs);
    QTest::qWait(300); // the opening outline is over before the window maps; let it paint
    return shown;
}

bool tst_e2e_dialog::click(const XServer &x, QPoint inDialog, int times)
{
    const QPoint p = client_.topLeft() + inDialog;
    if (x.xdotool({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())}) != 0)
        return false;
    QTest::qWait(50);
    for (int i = 0; i < times; ++i) {
        if (x.xdotool({QStringLiteral("click"), QStringLiteral("1")}) != 0)
            return false;
        QTest::qWait(30);
    }
    return true;
}

void tst_e2e_dialog::opensPlacedAndDrawn()
{
    XServer x(QSize(1024, 768));
    QVERIFY(x.isRunning());
    ProgramCopy program;
    QVERIFY(program.isValid());
    Run run(program, x, {QStringLiteral("/c")});
    QVERIFY(waitForDialog(x, run));
    // No window manager here, so the client area sits where the frame would: left 4717 twips and
    // top 2505 twips on a 1024 x 768 screen.
    QCOMPARE(client_, QRect(314, 167, 389, 242));
    const QImage shot = x.grabRect(client_);
    QVERIFY(near(shot.pixel(2, 0), qRgb(0, 0, 30), 0));
    QVERIFY(near(shot.pixel(2, 121), qRgb(220, 220, 250), 0));
    QVERIFY(near(shot.pixel(2, 241), qRgb(3, 3, 33), 0));
    // Default settings: the desktop choice, the empty preview in the window background colour.
    const QImage preview = x.grabRect(PreviewBox.adjusted(2, 2, -2, -2).translated(client_.topLeft()));
    QCOMPARE(preview.pixel(10, 10), preview.pixel(70, 70));
    QVERIFY(run.isRunning());
    QVERIFY(!program.settingsExist());
}

void tst_e2e_dialog::clickThroughSaveThenSaverUsesIt()
{
    XServer x(QSize(1024, 768));
    QVERIFY(x.isRunning());
    ProgramCopy program;
    QVERIFY(program.isValid());
    QVERIFY(QDir(program.folder()).mkdir(QStringLiteral("pics")));
    const QRgb left = qRgb(30, 90, 220);
    const QRgb right = qRgb(250, 200, 20);
    const QString picture = program.path(QStringLiteral("pics/wall.bmp"));
    QVERIFY(testfiles::writeTwoColourPicture(picture, left, right));
    program.writeSettings(settings(" 0", "", " 20"));
    {
        Run run(program, x, {QStringLiteral("/c")});
        QVERIFY(waitForDialog(x, run));
        QVERIFY(click(x, PictureChoiceLabel));
        QVERIFY(click(x, BrowseButton));
        QVERIFY(waitUntil([&] { return x.findWindow(ChooserCaption).has_value(); }, ShowTimeoutMs));
        QTest::qWait(300);
        QCOMPARE(x.xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), picture}), 0);
        // The first Return may only close the name completer's list; the chooser closes on the next.
        bool closed = false;
        for (int attempt = 0; attempt < 3 && !closed; ++attempt) {
            QTest::qWait(300);
            QCOMPARE(x.xdotool({QStringLiteral("key"), QStringLiteral("Return")}), 0);
            closed = waitUntil([&] { return !x.findWindow(ChooserCaption).has_value(); }, 1500);
        }
        QVERIFY(closed);
        // The preview shows the picture: 80 x 50, left half blue, right half yellow.
        QVERIFY(waitUntil([&] {
            const QImage shown = x.grabRect(PreviewBox.translated(client_.topLeft()));
            return near(shown.pixel(20, 20), left, 12) && near(shown.pixel(60, 20), right, 12);
        }, ShowTimeoutMs));
        QVERIFY(click(x, SpeedRightArrow, 3)); // 20 -> 23
        QVERIFY(click(x, SaveButton));
        QVERIFY(run.waitForExit(EndTimeoutMs));
        QVERIFY(run.exitedNormally());
        QCOMPARE(run.exitCode(), 0);
    }
    QCOMPARE(program.readSettings(), settings(" 1", picture.toUtf8(), " 23"));

    // The saver now shows that picture on its wall, and it moves.
    Run saver(program, x, {QStringLiteral("/s")});
    QVERIFY(waitUntil([&] {
        const auto window = x.findWindow(SaverCaption);
        return window && x.isViewable(*window);
    }, ShowTimeoutMs));
    int leftSeen = 0, rightSeen = 0;
    QImage first;
    QVERIFY(waitUntil([&] {
        first = x.grabScreen();
        leftSeen = rightSeen = 0;
        const QPoint centre(first.width() / 2, first.height() / 2);
        for (int i = 0; i < 48; ++i) {
            const double angle = 2.0 * M_PI * (i + 0.5) / 48;
            const QRgb c = first.pixel(centre.x() + int(first.height() * 0.3 * std::cos(angle)),
                                       centre.y() - int(first.height() * 0.3 * std::sin(angle)));
            leftSeen += near(c, left, 6);
            rightSeen += near(c, right, 6);
        }
        return leftSeen >= 4 && rightSeen >= 4;
    }, ShowTimeoutMs));
    QVERIFY(waitUntil([&] { return x.grabScreen() != first; }, 3000));
    QCOMPARE(x.xdotool({QStringLiteral("key"), QStringLiteral("space")}), 0);
    QVERIFY(saver.waitForExit(EndTimeoutMs));
    QCOMPARE(program.readSettings(), settings(" 1", picture.toUtf8(), " 23")); // the saver writes nothing
}

void tst_e2e_dialog::leavingWithoutSavingKeepsTheFile_data()
{
    QTest::addColumn<bool>("byCloseControl");
    QTest::newRow("cancel button") << false;
    QTest::newRow("close control") << true;
}

void tst_e2e_dialog::leavingWithoutSavingKeepsTheFile()
{
    QFETCH(bool, byCloseControl);
    XServer x(QSize(1024, 768));
    QVERIFY(x.isRunning());
    ProgramCopy program;
    const QByteArray before = "; kept\n[Section]\n" + KeySource + "=0\n" + KeySpeed + "=55\n";
    program.writeSettings(before);
    Run run(program, x, {QStringLiteral("/c")});
    QVERIFY(waitForDialog(x, run));
    QVERIFY(click(x, DesktopChoiceLabel));
    QVERIFY(click(x, SpeedRightArrow, 2));
    if (byCloseControl)
        sendCloseRequest(x, dialog_);
    else
        QVERIFY(click(x, CancelButton));
    QVERIFY(run.waitForExit(EndTimeoutMs));
    QVERIFY(run.exitedNormally());
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(program.readSettings(), before);
    QCOMPARE(QDir(program.folder()).entryList(QDir::Files | QDir::Hidden).size(), 2); // program and file only
}

QTEST_GUILESS_MAIN(tst_e2e_dialog)
#include "tst_e2e_dialog.moc"
