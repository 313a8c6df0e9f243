// End-to-end tests of the saver: the real program under Xvfb, its window, its texture sources, the
// input that ends it, and its animation, checked through X11 and screenshots.
#include "tests/support/E2eHarness.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TunnelShots.h"

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTest>

#include <cmath>
#include <memory>

using namespace e2e;
using namespace tunnelshots;

namespace {
const QString Caption = QStringLiteral("Helixcavern_Main");
constexpr QRgb PlainColour = 0xfff0f0f0; // the empty source surface's grey
constexpr int FirstFrameTimeoutMs = 15000;
constexpr int EndTimeoutMs = 1000;

// A settings file with the source and the picture file, and the speed unless it is null.
QByteArray settings(int source, const QString &file, const QByteArray &speed = {})
{
    const QByteArray name = file.isEmpty() ? QByteArray("") : file.toUtf8(); // the key stays when empty
    return testfiles::settingsBytes(' ' + QByteArray::number(source), name, speed);
}

// The saver has drawn when its window is up, the black far opening shows at the centre and the
// wall above it is lit (every texture in these tests is bright there).
bool waitForFirstFrame(const XServer &x, const Run &run)
{
    const QPoint centre(x.screenSize().width() / 2, x.screenSize().height() / 2);
    return waitUntil(
        [&] {
            if (!run.isRunning())
                return false;
            const auto window = x.findWindow(Caption);
            if (!window || !x.isViewable(*window))
                return false;
            const QImage column = x.grabRect(QRect(centre.x(), 0, 1, centre.y() + 1));
            return column.pixel(0, centre.y()) == qRgb(0, 0, 0) && qGray(column.pixel(0, centre.y() / 3)) > 40;
        },
        FirstFrameTimeoutMs);
}

// A saver started on an X server of its own, whose desktop is painted `desktop` first.
struct Saver {
    XServer x;
    ProgramCopy program;
    std::unique_ptr<Run> run;

    explicit Saver(QSize screen = QSize(800, 600), QRgb desktop = qRgb(40, 120, 60)) : x(screen)
    {
        x.fillRoot(desktop);
    }
    // Starts the program and waits for its first frame.
    bool start(const QStringList &arguments = {QStringLiteral("/s")})
    {
        if (!x.isRunning() || !program.isValid())
            return false;
        run = std::make_unique<Run>(program, x, arguments);
        return run->started() && waitForFirstFrame(x, *run);
    }
    QList<QRgb> wall() const { return wallSamples(x.grabScreen()); }
    // Ends the still-running saver with a key press; true when it left at once with status 0.
    bool endWithKey()
    {
        return x.xdotool({QStringLiteral("key"), QStringLiteral("space")}) == 0 && run->waitForExit(EndTimeoutMs * 3)
               && run->exitedNormally() && run->exitCode() == 0;
    }
};

} // namespace

class tst_e2e_saver : public QObject
{
    Q_OBJECT

private slots:
    void windowCoversTheScreen_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("/s at 1024x768") << QSize(1024, 768) << QStringList{QStringLiteral("/s")};
        QTest::newRow("/S at 1280x1024") << QSize(1280, 1024) << QStringList{QStringLiteral("/S")};
        QTest::newRow("no argument at 800x600") << QSize(800, 600) << QStringList{};
    }
    void windowCoversTheScreen()
    {
        QFETCH(QSize, screen);
        QFETCH(QStringList, arguments);
        Saver saver(screen);
        QVERIFY(saver.start(arguments));
        const auto window = saver.x.findWindow(Caption);
        QVERIFY(window);
        QCOMPARE(saver.x.geometryOnRoot(*window), std::optional<QRect>(QRect(QPoint(0, 0), screen)));
        QCOMPARE(saver.x.windowsWithCaption(Caption).size(), 1);
        QVERIFY(saver.endWithKey());
        QVERIFY(!saver.x.findWindow(Caption));
    }

    void desktopAsItWasIsTheTexture()
    {
        const QRgb left = qRgb(200, 40, 160);
        const QRgb right = qRgb(20, 180, 90);
        Saver saver(QSize(1024, 768), right);
        saver.x.createWindow(QRect(0, 0, 512, 768), {}, left);
        saver.program.writeSettings(settings(0, {}));
        QVERIFY(saver.start());
        const QList<QRgb> wall = saver.wall();
        QVERIFY2(countNear(wall, left) >= 4 && countNear(wall, right) >= 4, qPrintable(describe(wall)));
        QVERIFY2(countNear(wall, left) + countNear(wall, right) >= 20, qPrintable(describe(wall)));
        QVERIFY(saver.endWithKey());
    }

    void pictureFileIsTheTexture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("BMP") << QStringLiteral("picture.bmp");
        QTest::newRow("JPEG") << QStringLiteral("picture.jpg");
    }
    void pictureFileIsTheTexture()
    {
        QFETCH(QString, name);
        const QRgb desktop = qRgb(200, 40, 160);
        const QRgb left = qRgb(30, 90, 220);
        const QRgb right = qRgb(250, 200, 20);
        Saver saver(QSize(1024, 768), desktop);
        QVERIFY(testfiles::writeTwoColourPicture(saver.program.path(name), left, right));
        saver.program.writeSettings(settings(1, saver.program.path(name)));
        QVERIFY(saver.start());
        const QList<QRgb> wall = saver.wall();
        QVERIFY2(countNear(wall, left) >= 4 && countNear(wall, right) >= 4, qPrintable(describe(wall)));
        QCOMPARE(countNear(wall, desktop), 0);
        QVERIFY(saver.endWithKey());
    }

    void unusablePictureGivesThePlainTunnel_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("garbage") << QByteArray("this is not a picture\n").repeated(40);
        QTest::newRow("truncated JPEG") << QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00", 14);
        QByteArray huge("BM", 2);
        huge += QByteArray("\x46\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00", 16);
        huge += QByteArray("\x60\xea\x00\x00\x60\xea\x00\x00\x01\x00\x18\x00", 12); // 60000 x 60000, 24 bit
        huge += QByteArray(24 + 16, '\0');
        QTest::newRow("BMP claiming 60000x60000") << huge;
    }
    void unusablePictureGivesThePlainTunnel()
    {
        QFETCH(QByteArray, bytes);
        Saver saver(QSize(1024, 768), qRgb(200, 40, 160));
        const QString path = saver.program.path(QStringLiteral("broken.jpg"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        saver.program.writeSettings(settings(1, path));
        QVERIFY(saver.start());
        const QList<QRgb> wall = saver.wall();
        QVERIFY2(countNear(wall, PlainColour) == wall.size(), qPrintable(describe(wall)));
        QTest::qWait(300);
        QVERIFY(saver.run->isRunning());
        QVERIFY(saver.endWithKey());
    }

    void inputEndsTheSaverAtOnce_data()
    {
        QTest::addColumn<QStringList>("input");
        QTest::newRow("letter") << QStringList{QStringLiteral("key"), QStringLiteral("x")};
        QTest::newRow("Escape") << QStringList{QStringLiteral("key"), QStringLiteral("Escape")};
        QTest::newRow("Shift alone") << QStringList{QStringLiteral("key"), QStringLiteral("shift")};
        QTest::newRow("Ctrl alone") << QStringList{QStringLiteral("key"), QStringLiteral("ctrl")};
        QTest::newRow("left button") << QStringList{QStringLiteral("click"), QStringLiteral("1")};
        QTest::newRow("middle button") << QStringList{QStringLiteral("click"), QStringLiteral("2")};
        QTest::newRow("right button") << QStringList{QStringLiteral("click"), QStringLiteral("3")};
    }
    void inputEndsTheSaverAtOnce()
    {
        QFETCH(QStringList, input);
        Saver saver;
        QVERIFY(saver.start());
        QElapsedTimer sinceInput;
        sinceInput.start();
        QCOMPARE(saver.x.xdotool(input), 0);
        QVERIFY(saver.run->waitForExit(EndTimeoutMs));
        QVERIFY2(sinceInput.elapsed() < EndTimeoutMs, qPrintable(QString::number(sinceInput.elapsed())));
        QVERIFY(saver.run->exitedNormally());
        QCOMPARE(saver.run->exitCode(), 0);
        QVERIFY(!saver.x.findWindow(Caption));
        QVERIFY(saver.x.viewableTopLevels().isEmpty());
    }

    void movingTheMouseDoesNotEndIt()
    {
        Saver saver;
        QVERIFY(saver.start());
        QCOMPARE(saver.x.xdotool({QStringLiteral("mousemove"), QStringLiteral("5"), QStringLiteral("5")}), 0);
        QCOMPARE(saver.x.xdotool({QStringLiteral("mousemove"), QStringLiteral("790"), QStringLiteral("590")}), 0);
        QCOMPARE(saver.x.xdotool({QStringLiteral("mousemove_relative"), QStringLiteral("--"), QStringLiteral("-300"),
                                  QStringLiteral("-200")}),
                 0);
        QVERIFY(!saver.run->waitForExit(800));
        QVERIFY(saver.endWithKey());
    }

    void windowDestroyedFromOutsideEndsTheSaver()
    {
        Saver saver;
        QVERIFY(saver.start());
        const auto window = saver.x.findWindow(Caption);
        QVERIFY(window);
        saver.x.destroyWindow(*window);
        QVERIFY(saver.run->waitForExit(5000));
        QVERIFY(saver.run->exitedNormally());
        QCOMPARE(saver.run->exitCode(), 0);
    }

    void speedDecidesWhetherTheTunnelMoves_data()
    {
        QTest::addColumn<QByteArray>("speed");
        QTest::addColumn<bool>("moves");
        QTest::newRow("speed 0 stands still") << QByteArray(" 0") << false;
        QTest::newRow("default speed moves") << QByteArray() << true;
        QTest::newRow("slowest speed moves") << QByteArray(" 1") << true;
    }
    void speedDecidesWhetherTheTunnelMoves()
    {
        QFETCH(QByteArray, speed);
        QFETCH(bool, moves);
        Saver saver;
        const QString picture = saver.program.path(QStringLiteral("p.bmp"));
        QVERIFY(testfiles::writeTwoColourPicture(picture, qRgb(30, 90, 220), qRgb(250, 200, 20)));
        saver.program.writeSettings(settings(1, picture, speed));
        QVERIFY(saver.start());
        const QImage first = saver.x.grabScreen();
        QTest::qWait(400);
        const QImage second = saver.x.grabScreen();
        QTest::qWait(400);
        const QImage third = saver.x.grabScreen();
        QCOMPARE(first != second || second != third, moves);
        QVERIFY(saver.endWithKey());
    }

    void noOpenGLEndsWithStatusOneAndAReason()
    {
        XServer x(QSize(800, 600));
        QVERIFY(x.isRunning());
        ProgramCopy program;
        QProcess process;
        QProcessEnvironment env = x.environment();
        env.insert(QStringLiteral("QT_XCB_GL_INTEGRATION"), QStringLiteral("none")); // no GLX, no EGL
        process.setProcessEnvironment(env);
        process.start(program.executable(), {QStringLiteral("/s")});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        const QList<QByteArray> lines = process.readAllStandardError().split('\n');
        QVERIFY2(std::count_if(lines.begin(), lines.end(), [](const QByteArray &l) { return l.startsWith("helixcavern: "); }) == 1,
                 qPrintable(QString::fromLocal8Bit(lines.join('\n'))));
        QVERIFY(!x.findWindow(Caption));
    }
};

QTEST_GUILESS_MAIN(tst_e2e_saver)
#include "tst_e2e_saver.moc"
