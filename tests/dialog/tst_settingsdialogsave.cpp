// Saving and leaving the settings dialog, checked as the exact bytes of the settings file: what
// "設定" writes after each kind of change, that "ｷｬﾝｾﾙ" and the close control write nothing, and
// that a file which cannot be written is reported while the dialog stays open.
#include "Command.h"
#include "EventLabel.h"
#include "Helixcavern_B.h"
#include "Helixcavern_P.h"
#include "PathBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QSignalSpy>
#include <QTimer>
#include <QElapsedTimer>
#include <QDir>

#include <functional>
#include <memory>

using namespace Helixcavern_B;

namespace {
// The keys as the settings file holds them, in Shift-JIS.
const QByteArray kSource("\x89\xE6\x91\x9C");
const QByteArray kPicture("\x89\xE6\x91\x9C\xCC\xA7\xB2\xD9");
const QByteArray kSpeed("\x89\xF1\x93\x5D\x91\xAC\x93\x78");

QByteArray written(const QByteArray &source, const QByteArray &picture, const QByteArray &speed)
{
    return "[Section]\r\n" + kSource + "=" + source + "\r\n" + kPicture + "=" + picture + "\r\n" + kSpeed + "="
        + speed + "\r\n";
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Moves onto the button and clicks it, as a user does.
void clickCommand(Command *button)
{
    const QPoint centre = button->rect().center();
    QTest::mouseMove(button, centre);
    QTest::mouseClick(button, Qt::LeftButton, {}, centre);
}

// Runs `action` on the first modal window other than `except` once it is shown, within 5 s.
void whenModalShown(QWidget *except, std::function<void(QWidget *)> action, bool *handled)
{
    auto *poll = new QTimer;
    auto *clock = new QElapsedTimer;
    clock->start();
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [=] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal != except && modal->isVisible()) {
            poll->stop();
            action(modal);
            *handled = true;
        }
        if (!poll->isActive() || clock->elapsed() > 5000) {
            poll->stop();
            poll->deleteLater();
            delete clock;
        }
    });
    poll->start();
}
} // namespace

class DialogSaveTest : public QObject
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

private:
    Helixcavern_P *openDialog(qint16 source, const QString &file, float speed, const QString &ini);
    void act(const QString &action);
    std::unique_ptr<Helixcavern_P> dialog_;
    std::unique_ptr<QTemporaryDir> dir_;
    QList<int> endings_;
    QString immutable_; // a folder made unwritable, made writable again after the test
};

void DialogSaveTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    endings_.clear();
}

void DialogSaveTest::cleanup()
{
    if (!immutable_.isEmpty())
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), immutable_});
    immutable_.clear();
    dialog_.reset();
    dir_.reset();
}

Helixcavern_P *DialogSaveTest::openDialog(qint16 source, const QString &file, float speed, const QString &ini)
{
    TextureSource = source;
    PictureFile = file;
    PictureFolder = programFolder();
    Speed = speed;
    dialog_ = std::make_unique<Helixcavern_P>();
    dialog_->endProgram = [this](int status) { endings_.append(status); };
    dialog_->settingsPath = [ini] { return ini; };
    dialog_->Form_Load();
    dialog_->show();
    return QTest::qWaitForWindowExposed(dialog_.get()) ? dialog_.get() : nullptr;
}

// Actions of a user before leaving, separated by blanks: "label0", "mark0", "label1", "end"
// (speed to the fast end), "left" (one step slower), "type:<text>" (replace the path box's text).
void DialogSaveTest::act(const QString &actions)
{
    for (const QString &action : actions.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (action.startsWith(QLatin1String("label")) || action.startsWith(QLatin1String("mark"))) {
            const int index = action.back().digitValue();
            EventLabel *target = action.startsWith(QLatin1String("label")) ? dialog_->lbl_Sel[index] : dialog_->Img_Sel[index];
            QTest::mousePress(target, Qt::LeftButton, {}, QPoint(2, 2));
            QTest::mouseRelease(target, Qt::LeftButton, {}, QPoint(2, 2));
        } else if (action == QLatin1String("end") || action == QLatin1String("left")) {
            dialog_->HS_Fast->setFocus();
            QTest::keyClick(dialog_->HS_Fast, action == QLatin1String("end") ? Qt::Key_End : Qt::Key_Left);
        } else if (action.startsWith(QLatin1String("type:"))) {
            dialog_->Pname->setFocus();
            dialog_->Pname->selectAll();
            const QString text = action.mid(5);
            bool ascii = true;
            for (QChar c : text)
                ascii = ascii && c.unicode() < 0x80;
            if (ascii)
                QTest::keyClicks(dialog_->Pname, text);
            else // the test's key simulation types ASCII only
                dialog_->Pname->insertPlainText(text);
        }
    }
}

void DialogSaveTest::saveWritesExactBytes_data()
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
        << QByteArray("; mine\r\n[Other]\r\na=1\r\n[Section]\r\n" + kSpeed + "= 50\r\nextra=x\r\n" + kSource
                      + "= 1\r\n[Last]\r\nb=2\r\n")
        << 0 << false << 50.0f << ""
        << QByteArray("; mine\r\n[Other]\r\na=1\r\n[Section]\r\n" + kSpeed + "= 50\r\nextra=x\r\n" + kSource
                      + "= 0\r\n" + kPicture + "=\r\n[Last]\r\nb=2\r\n");
}

void DialogSaveTest::saveWritesExactBytes()
{
    QFETCH(QByteArray, before);
    QFETCH(int, source);
    QFETCH(bool, withPicture);
    QFETCH(float, speed);
    QFETCH(QString, actions);
    QFETCH(QByteArray, after);
    const QString ini = dir_->filePath(QStringLiteral("Helixcavern.ini"));
    if (before != "-")
        QVERIFY(writeAll(ini, before));
    QString picture;
    if (withPicture) {
        picture = dir_->filePath(QStringLiteral("p.jpg"));
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::green);
        QVERIFY(image.save(picture));
    }
    Helixcavern_P *d = openDialog(qint16(source), picture, speed, ini);
    QVERIFY(d);
    act(actions);
    QSignalSpy unloaded(d, &Helixcavern_P::unloaded);
    QSignalSpy clicked(d->Cmd_Set, &Command::Click);
    clickCommand(d->Cmd_Set);
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(readAll(ini), QByteArray(after).replace("%PIC%", picture.toUtf8()));
    QCOMPARE(endings_, QList<int>{0}); // the program ends with status 0
    QCOMPARE(unloaded.size(), 1);      // after the window was unloaded
    QVERIFY(!d->isVisible());
}

void DialogSaveTest::leavingWithoutSaving_data()
{
    QTest::addColumn<QByteArray>("before"); // "-" for no file
    QTest::addColumn<QString>("actions");
    QTest::addColumn<bool>("byCloseControl");
    const QByteArray file = "[Section]\n" + kSource + "=1\n" + kSpeed + "=  7 \n; note\n"; // LF, odd blanks
    QTest::newRow("cancel untouched") << file << "" << false;
    QTest::newRow("cancel after changes") << file << "label0 end type:/x.bmp" << false;
    QTest::newRow("cancel without a file creates none") << QByteArray("-") << "mark1 left" << false;
    QTest::newRow("close control untouched") << file << "" << true;
    QTest::newRow("close control after changes") << file << "mark0 end" << true;
    QTest::newRow("close control without a file creates none") << QByteArray("-") << "label1" << true;
}

void DialogSaveTest::leavingWithoutSaving()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, actions);
    QFETCH(bool, byCloseControl);
    const QString ini = dir_->filePath(QStringLiteral("Helixcavern.ini"));
    if (before != "-")
        QVERIFY(writeAll(ini, before));
    Helixcavern_P *d = openDialog(0, QString(), 20, ini);
    QVERIFY(d);
    act(actions);
    QSignalSpy unloaded(d, &Helixcavern_P::unloaded);
    if (byCloseControl) {
        // What the window manager's close control sends to the window.
        QCloseEvent close;
        QApplication::sendEvent(d->windowHandle(), &close);
        QCOMPARE(endings_, QList<int>{}); // the modal display returns; start-up ends the program
    } else {
        clickCommand(d->Cmd_Can);
        QCOMPARE(endings_, QList<int>{0});
    }
    QCOMPARE(unloaded.size(), 1);
    QVERIFY(!d->isVisible());
    if (before == "-")
        QVERIFY(!QFile::exists(ini));
    else
        QCOMPARE(readAll(ini), before);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden).size(), before == "-" ? 0 : 1);
}

void DialogSaveTest::failedSaveIsReportedAndKeepsDialog_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("folder is a regular file") << "file-as-folder";
    QTest::newRow("folder refuses new files") << "immutable-folder";
}

void DialogSaveTest::failedSaveIsReportedAndKeepsDialog()
{
    QFETCH(QString, how);
    QString ini;
    const QByteArray before = "[Section]\r\n" + kSource + "= 1\r\n" + kSpeed + "= 42\r\n";
    if (how == QLatin1String("file-as-folder")) {
        QVERIFY(writeAll(dir_->filePath(QStringLiteral("notafolder")), "plain"));
        ini = dir_->filePath(QStringLiteral("notafolder/Helixcavern.ini"));
    } else {
        const QString folder = dir_->filePath(QStringLiteral("locked"));
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("locked")));
        ini = folder + QStringLiteral("/Helixcavern.ini");
        QVERIFY(writeAll(ini, before));
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), folder}) != 0)
            QSKIP("chattr +i is not available here");
        immutable_ = folder;
        QFile probe(folder + QStringLiteral("/probe"));
        if (probe.open(QIODevice::WriteOnly))
            QSKIP("the immutable folder still takes new files");
    }
    Helixcavern_P *d = openDialog(0, QString(), 20, ini);
    QVERIFY(d);
    act(QStringLiteral("end"));
    QString message;
    bool handled = false;
    whenModalShown(d, [&](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            message = box->text();
            box->accept();
        } else {
            modal->close();
        }
    }, &handled);
    clickCommand(d->Cmd_Set);
    QVERIFY(handled);
    QVERIFY2(message.contains(QStringLiteral("保存できませんでした")), qPrintable(message));
    QVERIFY2(message.contains(ini), qPrintable(message)); // names the file
    QVERIFY2(message.contains(QStringLiteral("理由: ")) && !message.endsWith(QStringLiteral("理由: ")), qPrintable(message));
    // The dialog stays open, the program goes on, the file keeps its bytes.
    QVERIFY(d->isVisible());
    QCOMPARE(endings_, QList<int>{});
    if (how == QLatin1String("immutable-folder"))
        QCOMPARE(readAll(ini), before);
    else
        QCOMPARE(readAll(dir_->filePath(QStringLiteral("notafolder"))), QByteArray("plain"));
    // The user can still cancel.
    clickCommand(d->Cmd_Can);
    QCOMPARE(endings_, QList<int>{0});
}

QTEST_MAIN(DialogSaveTest)
#include "DialogSaveTest.moc"
