// The settings dialog's push buttons end to end: helixcavern /c under Xvfb, a real pointer and keys
// from xdotool, and screenshots of the buttons' corners, which each look copies from its skin 1:1.
#include "tests/support/E2eHarness.h"

#include <QElapsedTimer>
#include <QImage>
#include <QTest>

using namespace e2e;

namespace {

const QString DialogCaption = QStringLiteral("Helixcavernの設定");
constexpr int ShowTimeoutMs = 10000;
constexpr int LookTimeoutMs = 2000;
constexpr int Corner = 4; // the skins' frame thickness in pixels

// The buttons' places in the dialog's client area, in pixels.
const QRect CancelButton(232, 192, 73, 25);
const QRect SaveButton(304, 192, 73, 25);
const QPoint Elsewhere(20, 245); // a point in the dialog on none of the buttons

QImage Skin(const char *name)
{
    return QImage(QStringLiteral(":/button/%1.bmp").arg(QLatin1String(name))).convertToFormat(QImage::Format_RGB32);
}

// Whether the four corners shown in `shot` (the button's pixels) are those of `skin`. The save button
// overlaps the cancel button's last column by one pixel, so the right corners leave that column out.
bool ShowsSkin(const QImage &shot, const QImage &skin)
{
    const int w = shot.width(), h = shot.height(), sw = skin.width(), sh = skin.height();
    const QRect shotCorners[] = {{0, 0, Corner, Corner}, {w - Corner, 0, Corner - 1, Corner},
                                 {0, h - Corner, Corner, Corner}, {w - Corner, h - Corner, Corner - 1, Corner}};
    const QRect skinCorners[] = {{0, 0, Corner, Corner}, {sw - Corner, 0, Corner - 1, Corner},
                                 {0, sh - Corner, Corner, Corner}, {sw - Corner, sh - Corner, Corner - 1, Corner}};
    for (int i = 0; i < 4; ++i)
        if (shot.copy(shotCorners[i]) != skin.copy(skinCorners[i]))
            return false;
    return true;
}

} // namespace

class tst_e2e_button : public QObject
{
    Q_OBJECT
private slots:
    void buttonsFollowPointerFocusAndClick();

private:
    bool WaitForLook(const XServer &x, QRect button, const char *skin, int timeoutMs = LookTimeoutMs);
    QPoint origin_;
};

bool tst_e2e_button::WaitForLook(const XServer &x, QRect button, const char *skin, int timeoutMs)
{
    const QImage picture = Skin(skin);
    const bool shown = waitUntil([&] { return ShowsSkin(x.grabRect(button.translated(origin_)), picture); }, timeoutMs);
    if (!shown && qEnvironmentVariableIsSet("HC_DEBUG_SHOTS"))
        x.grabScreen().save(QStringLiteral("/tmp/button_test_%1.png").arg(QLatin1String(skin)));
    return shown;
}

void tst_e2e_button::buttonsFollowPointerFocusAndClick()
{
    XServer x;
    QVERIFY(x.isRunning());
    ProgramCopy program;
    QVERIFY(program.isValid());
    Run run(program, x, {QStringLiteral("/c")});
    QVERIFY(run.started());

    std::optional<WindowId> dialog;
    QVERIFY(waitUntil([&] { return (dialog = x.findWindow(DialogCaption)) && x.isViewable(*dialog); }, ShowTimeoutMs));
    const std::optional<QRect> geometry = x.geometryOnRoot(*dialog);
    QVERIFY(geometry);
    origin_ = geometry->topLeft();
    auto move = [&](QPoint client) {
        const QPoint p = client + origin_;
        return x.xdotool({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())}) == 0;
    };

    // Idle: both buttons show the Normal frame.
    QVERIFY(WaitForLook(x, CancelButton, "Normal", ShowTimeoutMs));
    QVERIFY(WaitForLook(x, SaveButton, "Normal"));

    // Hover, and its end within about one polling interval after the pointer leaves.
    QVERIFY(move(CancelButton.center()));
    QVERIFY(WaitForLook(x, CancelButton, "HighLight"));
    QVERIFY(WaitForLook(x, SaveButton, "Normal"));
    QElapsedTimer leaving;
    leaving.start();
    QVERIFY(move(Elsewhere));
    QVERIFY(WaitForLook(x, CancelButton, "Normal"));
    qInfo("cancel's hover look ended %lld ms after the pointer left", leaving.elapsed());

    // Press, drag off and release outside: the press takes the focus, no Click, the dialog stays.
    QVERIFY(move(CancelButton.center()));
    QVERIFY(WaitForLook(x, CancelButton, "HighLight"));
    QCOMPARE(x.xdotool({QStringLiteral("mousedown"), QStringLiteral("1")}), 0);
    QVERIFY(WaitForLook(x, CancelButton, "Pressed"));
    QVERIFY(move(Elsewhere));
    QVERIFY(WaitForLook(x, CancelButton, "Selected"));
    QCOMPARE(x.xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}), 0);
    QVERIFY(!run.waitForExit(500));
    QVERIFY(WaitForLook(x, CancelButton, "Selected"));

    // The keyboard moves the focus look on to the save button; keys never click.
    QCOMPARE(x.xdotool({QStringLiteral("key"), QStringLiteral("Tab")}), 0);
    QVERIFY(WaitForLook(x, SaveButton, "Selected"));
    QVERIFY(WaitForLook(x, CancelButton, "Normal"));
    QCOMPARE(x.xdotool({QStringLiteral("key"), QStringLiteral("space")}), 0);
    QCOMPARE(x.xdotool({QStringLiteral("key"), QStringLiteral("Return")}), 0);
    QVERIFY(!run.waitForExit(500));
    QVERIFY(!program.settingsExist());

    // A click on cancel ends the program without writing the settings.
    QVERIFY(move(CancelButton.center()));
    QVERIFY(WaitForLook(x, CancelButton, "HighLight"));
    QCOMPARE(x.xdotool({QStringLiteral("click"), QStringLiteral("1")}), 0);
    QVERIFY(run.waitForExit(5000));
    QVERIFY(run.exitedNormally());
    QCOMPARE(run.exitCode(), 0);
    QVERIFY(!program.settingsExist());
}

QTEST_GUILESS_MAIN(tst_e2e_button)
#include "tst_e2e_button.moc"
