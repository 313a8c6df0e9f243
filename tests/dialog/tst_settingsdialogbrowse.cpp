// The browse button and the real file chooser: title, start folder, the one filter entry and the
// names it lets through, accepting (also a typed name of a missing file) and cancelling, and the
// next browse starting in the folder of the file chosen.
#include "Command.h"
#include "Helixcavern_B.h"
#include "Helixcavern_P.h"
#include "PathBox.h"
#include "PictureBox.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace Helixcavern_B;

namespace {
bool writePicture(const QString &path, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image.save(path, QFileInfo(path).suffix().toUpper() == QLatin1String("BMP") ? "BMP" : "JPG");
}

// The names the chooser's file list shows in its current folder.
QStringList shownNames(QFileDialog *chooser)
{
    auto *view = chooser->findChild<QListView *>(QStringLiteral("listView"));
    if (!view)
        return {};
    QStringList names;
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row)
        names.append(view->model()->index(row, 0, root).data().toString());
    names.sort();
    return names;
}
} // namespace

class DialogBrowseTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void chooserShowsTitleFolderAndFilter();
    void acceptAndBrowseAgainFromChosenFolder_data();
    void acceptAndBrowseAgainFromChosenFolder();
    void cancelChangesNothing();

private:
    Helixcavern_P *openDialog(const QString &picture);
    // Clicks the browse button and, once the chooser is up, runs `drive` on it.
    bool browse(const std::function<void(QFileDialog *)> &drive);
    std::unique_ptr<Helixcavern_P> dialog_;
    std::unique_ptr<QTemporaryDir> dir_;
};

void DialogBrowseTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    QDir(dir_->path()).mkdir(QStringLiteral("pics"));
    QVERIFY(writePicture(dir_->filePath(QStringLiteral("start.jpg")), QSize(100, 100)));
    QVERIFY(writePicture(dir_->filePath(QStringLiteral("pics/wide.jpg")), QSize(400, 300)));
    QVERIFY(writePicture(dir_->filePath(QStringLiteral("pics/tall.BMP")), QSize(300, 400)));
}

void DialogBrowseTest::cleanup()
{
    dialog_.reset();
    dir_.reset();
}

Helixcavern_P *DialogBrowseTest::openDialog(const QString &picture)
{
    TextureSource = 1;
    PictureFile = picture;
    PictureFolder = programFolder();
    Speed = 20;
    dialog_ = std::make_unique<Helixcavern_P>();
    dialog_->endProgram = [](int) {};
    const QString ini = dir_->filePath(QStringLiteral("Helixcavern.ini"));
    dialog_->settingsPath = [ini] { return ini; };
    dialog_->Form_Load();
    dialog_->show();
    return QTest::qWaitForWindowExposed(dialog_.get()) ? dialog_.get() : nullptr;
}

bool DialogBrowseTest::browse(const std::function<void(QFileDialog *)> &drive)
{
    bool driven = false;
    QTimer poll;
    poll.setInterval(20);
    QElapsedTimer clock;
    clock.start();
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (chooser && chooser->isVisible()) {
            poll.stop();
            driven = true;
            drive(chooser);
            if (chooser->isVisible())
                chooser->reject(); // a driver that failed part-way must not leave it open
        } else if (clock.elapsed() > 10000) {
            poll.stop();
        }
    });
    poll.start();
    const QPoint centre = dialog_->Cmd_Pic->rect().center();
    QTest::mouseMove(dialog_->Cmd_Pic, centre);
    QTest::mouseClick(dialog_->Cmd_Pic, Qt::LeftButton, {}, centre);
    return driven;
}

void DialogBrowseTest::chooserShowsTitleFolderAndFilter()
{
    const QString folder = dir_->filePath(QStringLiteral("filter"));
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("filter")));
    const QStringList pass{"a.jpg", "a.JPG", "aJPG", "b.bmp", "C.BMP", "x.Jpg"};
    const QStringList fail{"a.jpeg", "a.png", "abmp", "a.jpg.txt", "b.gif"};
    for (const QString &name : pass + fail) {
        QFile file(folder + QLatin1Char('/') + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(folder).mkdir(QStringLiteral("sub"))); // folders stay visible to move through
    QVERIFY(writePicture(folder + QStringLiteral("/start.jpg"), QSize(10, 10)));
    Helixcavern_P *d = openDialog(folder + QStringLiteral("/start.jpg"));
    QVERIFY(d);
    QCOMPARE(PictureFolder, folder);
    QString title, startFolder, filterShown;
    int filterCount = -1;
    QStringList names;
    const bool driven = browse([&](QFileDialog *chooser) {
        title = chooser->windowTitle();
        startFolder = chooser->directory().absolutePath();
        auto *types = chooser->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
        if (types) {
            filterShown = types->currentText();
            filterCount = types->count();
        }
        QStringList expected = pass;
        expected << "start.jpg" << "sub";
        expected.sort();
        // The list fills in the background: poll until it holds what it should.
        QElapsedTimer clock;
        clock.start();
        while ((names = shownNames(chooser)) != expected && clock.elapsed() < 5000)
            QTest::qWait(20);
        chooser->reject();
    });
    QVERIFY(driven);
    QCOMPARE(title, QStringLiteral("ﾌｧｲﾙを開く"));
    QCOMPARE(startFolder, folder);
    QCOMPARE(filterShown, QStringLiteral("画像ﾌｧｲﾙ (BMP JPG)"));
    QCOMPARE(filterCount, 1);
    QStringList expected = pass;
    expected << "start.jpg" << "sub";
    expected.sort();
    QCOMPARE(names, expected);
}

void DialogBrowseTest::acceptAndBrowseAgainFromChosenFolder_data()
{
    QTest::addColumn<QString>("typed");   // relative to the temporary folder
    QTest::addColumn<QSize>("display");
    QTest::newRow("wide jpg") << "pics/wide.jpg" << QSize(80, 60);
    QTest::newRow("tall BMP") << "pics/tall.BMP" << QSize(60, 80);
    QTest::newRow("typed name of a missing file") << "pics/none.jpg" << QSize(80, 80);
}

void DialogBrowseTest::acceptAndBrowseAgainFromChosenFolder()
{
    QFETCH(QString, typed);
    QFETCH(QSize, display);
    Helixcavern_P *d = openDialog(dir_->filePath(QStringLiteral("start.jpg")));
    QVERIFY(d);
    QVERIFY(browse([&](QFileDialog *chooser) {
        auto *name = chooser->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setFocus();
        // Set rather than typed: typing opens the name completer, whose list may take the Return.
        name->setText(dir_->filePath(typed));
        QTest::keyClick(name, Qt::Key_Return);
    }));
    const QString chosen = dir_->filePath(typed);
    QCOMPARE(PictureFile, chosen);
    QCOMPARE(d->Pname->text(), chosen);
    QCOMPARE(PictureFolder, dir_->filePath(QStringLiteral("pics")));
    QCOMPARE(d->Display->size(), display);
    QCOMPARE(TextureSource, qint16(1)); // browsing does not change the source

    QString secondStart;
    QVERIFY(browse([&](QFileDialog *chooser) {
        secondStart = chooser->directory().absolutePath();
        QTest::keyClick(chooser, Qt::Key_Escape);
    }));
    QCOMPARE(secondStart, dir_->filePath(QStringLiteral("pics")));
    QCOMPARE(PictureFile, chosen);
}

void DialogBrowseTest::cancelChangesNothing()
{
    const QString start = dir_->filePath(QStringLiteral("start.jpg"));
    Helixcavern_P *d = openDialog(start);
    QVERIFY(d);
    const QSize displayBefore = d->Display->size();
    const QImage previewBefore = d->Display->surface().copy();
    QVERIFY(browse([&](QFileDialog *chooser) {
        // A file is selected but the chooser is cancelled.
        auto *name = chooser->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        QTest::keyClicks(name, dir_->filePath(QStringLiteral("pics/wide.jpg")));
        chooser->reject();
    }));
    QCOMPARE(PictureFile, start);
    QCOMPARE(d->Pname->text(), start);
    QCOMPARE(PictureFolder, dir_->path());
    QCOMPARE(d->Display->size(), displayBefore);
    QCOMPARE(d->Display->surface(), previewBefore);
}

QTEST_MAIN(DialogBrowseTest)
#include "DialogBrowseTest.moc"
