// Saving and leaving the settings dialog, checked as the exact bytes of the settings file: what
// "設定" writes after each kind of change, that "ｷｬﾝｾﾙ" and the close control write nothing, and
// that a file which cannot be written is reported while the dialog stays open.
#include "button/SkinnedButton.h"
#include "dialog/PathBox.h"
#include "dialog/PictureBox.h"
#include "dialog/SettingsDialog.h"
#include "settings/SettingsFile.h"
#include "tests/support/DialogFixture.h"
#include "tests/support/TestFiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {
using testfiles::KeyPictureFile;
using testfiles::KeySource;
using testfiles::KeySpeed;
using testfiles::readFile;
using testfiles::writeFile;

QByteArray written(const QByteArray &source, const QByteArray &picture, const QByteArray &speed)
{
    return testfiles::settingsBytes(source, picture, speed);
}
} // namespace

class tst_settingsdialogsave : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void saveWritesExactBytes_data();
    void saveWritesExactBytes();
    void leavingWithoutSaving_data();
    void leavingWithoutSaving();
    void failedSaveIsReportedAndKeepsDialog_data();
    void failedSaveIsReportedAndKeepsDialog();
    void failedSaveMessageFitsTheScreen();
    void untouchedPictureNamesAreSavedByteForByte_data();
    void untouchedPictureNamesAreSavedByteForByte();

private:
    void act(const QString &action);
    std::unique_ptr<DialogFixture> fixture_;
    QString immutable_; // a folder made unwritable, made writable again after the test
};

void tst_settingsdialogsave::init()
{
    fixture_ = std::make_unique<DialogFixture>();
    QVERIFY(fixture_->isValid());
}

void tst_settingsdialogsave::cleanup()
{
    if (!immutable_.isEmpty())
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), immutable_});
    immutable_.clear();
    fixture_.reset();
}

// Actions of a user before leaving, separated by blanks: "label0", "mark0", "label1", "end"
// (speed to the fast end), "left" (one step slower), "type:<text>" (replace the path box's text).
void tst_settingsdialogsave::act(const QString &actions)
{
    for (const QString &action : actions.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (action.startsWith(QLatin1String("label")) || action.startsWith(QLatin1String("mark"))) {
            const bool desktop = action.back() == QLatin1Char('0');
            const char *name = action.startsWith(QLatin1String("label")) ? (desktop ? "desktopLabel" : "pictureLabel")
                                                                         : (desktop ? "desktopMark" : "pictureMark");
            DialogFixture::pressAndRelease(fixture_->control(name), Qt::LeftButton, QPoint(2, 2));
        } else if (action == QLatin1String("end") || action == QLatin1String("left")) {
            auto *bar = fixture_->control<QScrollBar>("speedBar");
            bar->setFocus();
            QTest::keyClick(bar, action == QLatin1String("end") ? Qt::Key_End : Qt::Key_Left);
        } else if (action.startsWith(QLatin1String("type:"))) {
            auto *path = fixture_->control<PathBox>("pathBox");
            path->setFocus();
            path->selectAll();
            const QString text = action.mid(5);
            bool ascii = true;
            for (QChar c : text)
                ascii = ascii && c.unicode() < 0x80;
            if (ascii)
                QTest::keyClicks(path, text);
            else // the test's key simulation types ASCII only
                path->insertPlainText(text);
        }
    }
}

void tst_settingsdialogsave::saveWritesExactBytes_data()
{
    QTest::addColumn<QByteArray>("before"); // file before the run; "-" for no file
    QTest::addColumn<int>("source");
    QTest::addColumn<bool>("withPicture");  // the stored path names a real 400 x 300 picture
    QTest::addColumn<float>("speed");
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QByteArray>("after");  // %PIC% stands for the picture's path
    const QByteArray none("-");
    QTest::newRow("untouched desktop, no file yet")
        << none << 0 << false << 20.0f << "" << written(" 0", "", " 20");
    QTest::newRow("untouched picture")
        << none << 1 << true << 35.0f << "" << written(" 1", "%PIC%", " 35");
    QTest::newRow("desktop by its label after a picture")
        << none << 1 << true << 20.0f << "label0" << written(" 0", "", " 20");
    QTest::newRow("desktop by its mark after a picture")
        << none << 1 << true << 20.0f << "mark0" << written(" 0", "%PIC%", " 20");
    QTest::newRow("picture chosen after desktop, path kept in the box")
        << none << 0 << true << 20.0f << "mark1" << written(" 1", "%PIC%", " 20");
    QTest::newRow("stored speed 500 becomes the scroll bar's 1")
        << none << 0 << false << 500.0f << "" << written(" 0", "", " 1");
    QTest::newRow("stored speed 0 becomes the scroll bar's 1")
        << none << 0 << false << 0.0f << "" << written(" 0", "", " 1");
    QTest::newRow("stored source 2 written back unchanged")
        << none << 2 << false << 20.0f << "" << written(" 2", "", " 20");
    QTest::newRow("speed moved to the fast end")
        << none << 0 << false << 20.0f << "end" << written(" 0", "", " 100");
    QTest::newRow("speed one step slower")
        << none << 0 << false << 20.0f << "left" << written(" 0", "", " 19");
    QTest::newRow("typed path of a missing file written unchanged")
        << none << 1 << true << 20.0f << "type:/nowhere/x.jpg" << written(" 1", "/nowhere/x.jpg", " 20");
    QTest::newRow("path with Japanese characters as UTF-8")
        << none << 1 << true << 20.0f << "type:/写真/ｶﾒﾗ_1.jpg"
        << written(" 1", QStringLiteral("/写真/ｶﾒﾗ_1.jpg").toUtf8(), " 20");
    QTest::newRow("other sections, comments and keys kept; keys replaced where they stand")
        << QByteArray("; mine\r\n[Other]\r\na=1\r\n[Section]\r\n" + KeySpeed + "= 50\r\nextra=x\r\n" + KeySource
                      + "= 1\r\n[Last]\r\nb=2\r\n")
        << 0 << false << 50.0f << ""
        << QByteArray("; mine\r\n[Other]\r\na=1\r\n[Section]\r\n" + KeySpeed + "= 50\r\nextra=x\r\n" + KeySource
                      + "= 0\r\n" + KeyPictureFile + "=\r\n[Last]\r\nb=2\r\n");
}

void tst_settingsdialogsave::saveWritesExactBytes()
{
    QFETCH(QByteArray, before);
    QFETCH(int, source);
    QFETCH(bool, withPicture);
    QFETCH(float, speed);
    QFETCH(QString, actions);
    QFETCH(QByteArray, after);
    const QString ini = fixture_->settingsPath();
    if (before != "-")
        QVERIFY(writeFile(ini, before));
    QString picture;
    if (withPicture) {
        picture = fixture_->path(QStringLiteral("p.jpg"));
        QVERIFY(testfiles::writeTwoColourPicture(picture, qRgb(0, 255, 0), qRgb(0, 255, 0), QSize(400, 300)));
    }
    SettingsDialog *d = fixture_->open(qint16(source), picture, speed);
    QVERIFY(d);
    act(actions);
    auto *save = fixture_->control<SkinnedButton>("saveButton");
    QSignalSpy clicked(save, &SkinnedButton::clicked);
    DialogFixture::click(save);
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(readFile(ini), QByteArray(after).replace("%PIC%", picture.toUtf8()));
    QCOMPARE(fixture_->finishedStatuses(), QList<int>{0}); // finished once, with status 0, after closing
    QVERIFY(!d->isVisible());
}

void tst_settingsdialogsave::leavingWithoutSaving_data()
{
    QTest::addColumn<QByteArray>("before"); // "-" for no file
    QTest::addColumn<QString>("actions");
    QTest::addColumn<bool>("byCloseControl");
    const QByteArray file = "[Section]\n" + KeySource + "=1\n" + KeySpeed + "=  7 \n; note\n"; // LF, odd blanks
    QTest::newRow("cancel untouched") << file << "" << false;
    QTest::newRow("cancel after changes") << file << "label0 end type:/x.bmp" << false;
    QTest::newRow("cancel without a file creates none") << QByteArray("-") << "mark1 left" << false;
    QTest::newRow("close control untouched") << file << "" << true;
    QTest::newRow("close control after changes") << file << "mark0 end" << true;
    QTest::newRow("close control without a file creates none") << QByteArray("-") << "label1" << true;
}

void tst_settingsdialogsave::leavingWithoutSaving()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, actions);
    QFETCH(bool, byCloseControl);
    const QString ini = fixture_->settingsPath();
    if (before != "-")
        QVERIFY(writeFile(ini, before));
    SettingsDialog *d = fixture_->open(0, QString(), 20);
    QVERIFY(d);
    act(actions);
    if (byCloseControl) {
        // What the window manager's close control sends to the window.
        QCloseEvent close;
        QApplication::sendEvent(d->windowHandle(), &close);
    } else {
        fixture_->click("cancelButton");
    }
    QCOMPARE(fixture_->finishedStatuses(), QList<int>{0}); // both end the dialog the same way
    QVERIFY(!d->isVisible());
    if (before == "-")
        QVERIFY(!QFile::exists(ini));
    else
        QCOMPARE(readFile(ini), before);
    QCOMPARE(QDir(fixture_->folder()).entryList(QDir::Files | QDir::Hidden).size(), before == "-" ? 0 : 1);
}

void tst_settingsdialogsave::failedSaveIsReportedAndKeepsDialog_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("folder is a regular file") << "file-as-folder";
    QTest::newRow("folder refuses new files") << "immutable-folder";
    QTest::newRow("file is read-only, 0444") << "read-only-file";
    QTest::newRow("file is UTF-16") << "utf16-file";
}

void tst_settingsdialogsave::failedSaveIsReportedAndKeepsDialog()
{
    QFETCH(QString, how);
    QString ini;
    QByteArray before = "[Section]\r\n" + KeySource + "= 1\r\n" + KeySpeed + "= 42\r\n";
    if (how == QLatin1String("read-only-file") || how == QLatin1String("utf16-file")) {
        ini = fixture_->settingsPath();
        if (how == QLatin1String("utf16-file"))
            before = QByteArray("\xFF\xFE[\0S\0]\0\r\0\n\0", 12);
        QVERIFY(writeFile(ini, before));
        QVERIFY(QFile::setPermissions(ini, how == QLatin1String("utf16-file") ? QFile::ReadOwner | QFile::WriteOwner
                                                                              : QFile::ReadOwner));
    } else if (how == QLatin1String("file-as-folder")) {
        QVERIFY(writeFile(fixture_->path(QStringLiteral("notafolder")), "plain"));
        ini = fixture_->path(QStringLiteral("notafolder/Helixcavern.ini"));
    } else {
        const QString folder = fixture_->path(QStringLiteral("locked"));
        QVERIFY(QDir(fixture_->folder()).mkdir(QStringLiteral("locked")));
        ini = folder + QStringLiteral("/Helixcavern.ini");
        QVERIFY(writeFile(ini, before));
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), folder}) != 0)
            QSKIP("chattr +i is not available here");
        immutable_ = folder;
        QFile probe(folder + QStringLiteral("/probe"));
        if (probe.open(QIODevice::WriteOnly))
            QSKIP("the immutable folder still takes new files");
    }
    SettingsDialog *d = fixture_->open(0, QString(), 20, ini);
    QVERIFY(d);
    act(QStringLiteral("end"));
    QString message;
    bool handled = false;
    fixture_->whenModalShown([&](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            message = box->text();
            box->accept();
        } else {
            modal->close();
        }
    }, &handled);
    fixture_->click("saveButton");
    QVERIFY(handled);
    QVERIFY2(message.contains(QStringLiteral("保存できませんでした")), qPrintable(message));
    QVERIFY2(message.contains(ini), qPrintable(message)); // names the file
    QVERIFY2(message.contains(QStringLiteral("理由: ")) && !message.endsWith(QStringLiteral("理由: ")), qPrintable(message));
    // The dialog stays open, the program goes on, the file keeps its bytes.
    QVERIFY(d->isVisible());
    QCOMPARE(fixture_->finishedStatuses(), QList<int>{});
    if (how != QLatin1String("file-as-folder"))
        QCOMPARE(readFile(ini), before);
    else
        QCOMPARE(readFile(fixture_->path(QStringLiteral("notafolder"))), QByteArray("plain"));
    // The user can still cancel.
    fixture_->click("cancelButton");
    QCOMPARE(fixture_->finishedStatuses(), QList<int>{0});
}

void tst_settingsdialogsave::failedSaveMessageFitsTheScreen()
{
    // A path of 5,000 characters under a regular file, so that no folder of it can be made.
    QString folder = fixture_->path(QStringLiteral("plain"));
    QVERIFY(writeFile(folder, "plain"));
    while (folder.size() < 5000)
        folder += u'/' + QString(200, u'd');
    SettingsDialog *d = fixture_->open(0, QString(), 20, folder + QStringLiteral("/Helixcavern.ini"));
    QVERIFY(d);
    QCOMPARE(d->screen()->size(), QSize(1280, 720)); // the test's screen, set in CMakeLists.txt
    QRect box, button;
    QString message;
    bool handled = false;
    fixture_->whenModalShown([&](QWidget *modal) {
        if (auto *shown = qobject_cast<QMessageBox *>(modal)) {
            const QWidget *ok = shown->button(QMessageBox::Ok);
            box = shown->frameGeometry();
            button = QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size());
            message = shown->text();
        }
        modal->close();
    }, &handled);
    fixture_->click("saveButton");
    QVERIFY(handled);
    const QRect screen = d->screen()->availableGeometry();
    QVERIFY2(screen.contains(box) && screen.contains(button),
             qPrintable(QStringLiteral("%1 x %2").arg(box.width()).arg(box.height())));
    // Shortened in the middle: the end of the path and the reason stay.
    QVERIFY2(message.contains(QStringLiteral("/Helixcavern.ini\n理由: cannot make the folder")), qPrintable(message));
}

void tst_settingsdialogsave::untouchedPictureNamesAreSavedByteForByte_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("swappedForPipe"); // a named pipe put in the picture's place once read
    for (const auto &[row, name] : testfiles::awkwardFileNames())
        QTest::newRow(row) << name << false;
    QTest::newRow("picture swapped for a named pipe") << QByteArray("swapped.bmp") << true;
}

void tst_settingsdialogsave::untouchedPictureNamesAreSavedByteForByte()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, swappedForPipe);
    const QString plain = fixture_->path(QStringLiteral("plain.bmp"));
    QVERIFY(testfiles::writeTwoColourPicture(plain, qRgb(0, 255, 0), qRgb(0, 0, 255), QSize(400, 300)));
    const QByteArray picture = QFile::encodeName(fixture_->folder()) + '/' + name;
    QVERIFY(::rename(QFile::encodeName(plain).constData(), picture.constData()) == 0);
    const QString ini = fixture_->settingsPath();
    const QByteArray stored = written(" 1", picture, " 20");
    QVERIFY(writeFile(ini, stored));
    const Settings settings = SettingsFile::load(FileName::fromText(ini)); // as the program reads it
    QCOMPARE(settings.textureSource, Settings::Picture);
    if (swappedForPipe) {
        QVERIFY(::unlink(picture.constData()) == 0);
        QVERIFY(::mkfifo(picture.constData(), 0600) == 0);
    }
    ::alarm(60); // a blocking open of the pipe would hold the dialog for ever
    QVERIFY(fixture_->open(settings.textureSource, settings.pictureFile, settings.speed));
    // Shown without the bytes the box cannot show, and previewed from the very file.
    const QString shown = fixture_->control<PathBox>("pathBox")->toPlainText();
    QCOMPARE(QString::fromUtf8(shown.toUtf8()), shown);
    QCOMPARE(fixture_->control<PictureBox>("previewBox")->size() == QSize(80, 80), swappedForPipe);
    fixture_->click("saveButton");
    ::alarm(0);
    QCOMPARE(readFile(ini), stored);
}

QTEST_MAIN(tst_settingsdialogsave)
#include "tst_settingsdialogsave.moc"
