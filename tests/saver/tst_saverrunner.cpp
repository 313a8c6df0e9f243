// The saver runner over a window system of the test's own: which picture each surface gets, what
// ends the run and with which status, places that come and go. No window and no GL are involved.
#include "saver/MasterImage.h"
#include "saver/SaverRunner.h"
#include "tests/support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <deque>

namespace {

constexpr QRgb DesktopColour = 0xff2040a0;
constexpr QRgb PictureColour = 0xffc08020;

// What a surface saw, kept after the runner has destroyed it.
struct SurfaceRecord {
    QRgb masterColour = 0;
    int frames = 0;
    double frameRate = 0.0;
    bool waits = false; // for its compositor
};

class FakeSurface : public SaverSurface
{
public:
    FakeSurface(QStringList &log, QString name, SurfaceRecord &record)
        : log_(log), name_(std::move(name)), record_(record)
    {
    }
    bool prepare(const QImage &master, TunnelRenderer::Options) override
    {
        record_.masterColour = master.pixel(0, 0);
        log_.append("prepare " + name_);
        return prepares;
    }
    void drawFrame(double) override { ++record_.frames; }
    void showFrameRate(double framesPerSecond) override { record_.frameRate = framesPerSecond; }
    bool isShowing() const override { return true; }
    bool waitsForCompositor() const override { return record_.waits; }
    bool stillThere() override { return true; }
    double refreshRate() const override { return 60.0; }
    void release() override { log_.append("release " + name_); }

    bool prepares = true;

private:
    QStringList &log_;
    QString name_;
    SurfaceRecord &record_;
};

class FakeWindowSystem : public SaverWindowSystem
{
public:
    QList<Place> places() const override { return places_; }
    QImage desktopMaster(Place place) override
    {
        log.append(QStringLiteral("desktop %1").arg(place));
        if (!hasDesktop)
            return {};
        QImage desktop(MasterImage::MasterSize, MasterImage::MasterSize, QImage::Format_RGB32);
        desktop.fill(DesktopColour);
        return desktop;
    }
    std::unique_ptr<SaverSurface> createSurface(Place place) override
    {
        log.append(QStringLiteral("surface %1").arg(place));
        made.emplace_back();
        auto surface = std::make_unique<FakeSurface>(log, QString::number(place), made.back());
        surface->prepares = preparesSucceed;
        return surface;
    }
    void flush() override { log.append("flush"); }

    QList<Place> places_{1, 2};
    bool hasDesktop = true;
    bool preparesSucceed = true;
    QStringList log;
    std::deque<SurfaceRecord> made; // one per surface made, in order
};

// Runs the saver over `windows`; `during` runs from its event loop once the frames have begun.
int runWith(FakeWindowSystem &windows, const Settings &settings, SaverRunner::Behaviour behaviour,
            const std::function<void(SaverRunner &)> &during)
{
    SaverRunner saver(settings, behaviour, windows, nullptr, {});
    QTimer::singleShot(50, &saver, [&] { during(saver); });
    QTimer::singleShot(600, &saver, [&] { saver.end(99); }); // a run nothing ended
    return saver.run();
}

} // namespace

class TestSaverRunner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void surfaceGetsTheSourcesPicture_data()
    {
        QTest::addColumn<qint16>("source");
        QTest::addColumn<bool>("hasDesktop");
        QTest::addColumn<QString>("picture"); // "", "good" or "broken"
        QTest::addColumn<QRgb>("expected");
        const QRgb wallColour = MasterImage::builtInWall().pixel(0, 0);
        QVERIFY(wallColour != MasterImage::PlainColour && wallColour != DesktopColour && wallColour != PictureColour);
        QTest::newRow("desktop") << Settings::Desktop << true << "" << DesktopColour;
        QTest::newRow("desktop wins over a set picture") << Settings::Desktop << true << "good" << DesktopColour;
        QTest::newRow("no desktop: the picture") << Settings::Desktop << false << "good" << PictureColour;
        QTest::newRow("no desktop, no picture: built-in wall") << Settings::Desktop << false << "" << wallColour;
        QTest::newRow("no desktop, broken picture: plain") << Settings::Desktop << false << "broken" << MasterImage::PlainColour;
        QTest::newRow("picture source ignores the desktop") << Settings::Picture << true << "good" << PictureColour;
        QTest::newRow("picture source, broken picture: plain") << Settings::Picture << true << "broken" << MasterImage::PlainColour;
        QTest::newRow("picture source, no picture: built-in wall") << Settings::Picture << true << "" << wallColour;
    }
    void surfaceGetsTheSourcesPicture()
    {
        QFETCH(qint16, source);
        QFETCH(bool, hasDesktop);
        QFETCH(QString, picture);
        QFETCH(QRgb, expected);
        const QString good = dir_.filePath("good.bmp");
        const QString broken = dir_.filePath("broken.bmp");
        QVERIFY(testfiles::writeTwoColourPicture(good, PictureColour, PictureColour));
        QVERIFY(testfiles::writeFile(broken, "BM not a picture"));
        Settings settings;
        settings.textureSource = source;
        settings.pictureFile = FileName::fromText(picture.isEmpty() ? QString() : picture == "good" ? good : broken);
        FakeWindowSystem windows;
        windows.hasDesktop = hasDesktop;
        QCOMPARE(runWith(windows, settings, {}, [](SaverRunner &saver) { saver.end(0); }), 0);
        QCOMPARE(windows.made.size(), 2u);
        for (const SurfaceRecord &surface : windows.made)
            QCOMPARE(surface.masterColour, expected);
    }

    // Every desktop is taken before the first surface covers any of it.
    void everyDesktopIsTakenBeforeAnySurface()
    {
        FakeWindowSystem windows;
        runWith(windows, Settings{}, {}, [](SaverRunner &saver) { saver.end(0); });
        QCOMPARE(windows.log.mid(0, 6),
                 QStringList({"desktop 1", "desktop 2", "surface 1", "prepare 1", "surface 2", "prepare 2"}));
        QCOMPARE(windows.log.mid(6), QStringList({"release 1", "release 2", "flush"}));
    }

    void whatEndsTheRun_data()
    {
        QTest::addColumn<bool>("endOnInput");
        QTest::addColumn<QString>("event");
        QTest::addColumn<int>("status");
        QTest::newRow("input ends the saver") << true << "input" << 0;
        QTest::newRow("input is ignored in a host") << false << "input" << 99;
        QTest::newRow("a lost surface ends it") << true << "lost" << 0;
        QTest::newRow("a lost host ends it") << false << "lost" << 0;
        QTest::newRow("a removed monitor does not") << true << "removed" << 99;
    }
    void whatEndsTheRun()
    {
        QFETCH(bool, endOnInput);
        QFETCH(QString, event);
        QFETCH(int, status);
        FakeWindowSystem windows;
        const int ended = runWith(windows, Settings{}, {.endOnInput = endOnInput}, [&](SaverRunner &) {
            if (event == "input")
                emit windows.inputReceived();
            else if (event == "lost")
                emit windows.surfaceLost();
            else
                emit windows.placeRemoved(2);
        });
        QCOMPARE(ended, status);
        QVERIFY2(windows.made[0].frames > 0, "no frame was drawn before the end");
    }

    void missingContextEndsWithStatusOne()
    {
        FakeWindowSystem windows;
        windows.preparesSucceed = false;
        QCOMPARE(runWith(windows, Settings{}, {}, [](SaverRunner &) {}), 1);
        QCOMPARE(windows.made.size(), 1u); // nothing more is tried after the first failure
    }

    // A monitor added while the saver runs has its desktop taken before its surface is made, and
    // one removed gives back its surface while the others go on drawing.
    void placesComeAndGo()
    {
        FakeWindowSystem windows;
        int framesOfSecond = -1;
        runWith(windows, Settings{}, {}, [&](SaverRunner &saver) {
            emit windows.placeAdded(3);
            emit windows.placeRemoved(2);
            framesOfSecond = windows.made[1].frames;
            QTimer::singleShot(100, &saver, [&saver] { saver.end(0); });
        });
        QCOMPARE(windows.made.size(), 3u);
        const qsizetype added = windows.log.indexOf("desktop 3");
        QVERIFY(added > 0);
        QCOMPARE(windows.log.mid(added, 4), QStringList({"desktop 3", "surface 3", "prepare 3", "release 2"}));
        QVERIFY(windows.made[2].frames > 0);
        QVERIFY2(windows.made[0].frames > framesOfSecond, "the saver stopped with the removed monitor");
    }

    // While every surface waits for its compositor nothing is drawn, until one is ready again; a
    // surface that waits alone does not stop the others.
    void framesWaitForTheCompositor_data()
    {
        QTest::addColumn<bool>("secondWaits");
        QTest::addColumn<bool>("framesGoOn");
        QTest::newRow("every surface waits: no frame") << true << false;
        QTest::newRow("one surface waits: the frames go on") << false << true;
    }
    void framesWaitForTheCompositor()
    {
        QFETCH(bool, secondWaits);
        QFETCH(bool, framesGoOn);
        FakeWindowSystem windows;
        int whenWaiting = -1;
        int afterWait = -1;
        const int status = runWith(windows, Settings{}, {}, [&](SaverRunner &saver) {
            windows.made[0].waits = true;
            windows.made[1].waits = secondWaits;
            whenWaiting = windows.made[0].frames;
            QTimer::singleShot(200, &saver, [&] {
                afterWait = windows.made[0].frames;
                windows.made[0].waits = windows.made[1].waits = false;
                emit windows.surfaceReady();
                QTimer::singleShot(100, &saver, [&] { saver.end(0); });
            });
        });
        QCOMPARE(status, 0);
        QCOMPARE(afterWait > whenWaiting, framesGoOn);
        QVERIFY2(windows.made[0].frames > afterWait, "no frame after the wait ended");
    }

private:
    QTemporaryDir dir_;
};

QTEST_MAIN(TestSaverRunner)
#include "tst_saverrunner.moc"
