// The browse button and the real file chooser: title, start folder, the one filter entry and the
// names it lets through, accepting (also a typed name of a missing file) and cancelling, and the
// next browse starting in the folder of the file chosen.
#include "dialog/PathBox.h"
#include "dialog/PictureBox.h"
#include "dialog/SettingsDialog.h"
#include "tests/support/DialogFixture.h"
#include "tests/support/TestFiles.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QScopeGuard>
#include <QTest>

#include <memory>

namespace {
bool writePicture(const QString &path, QSize size)
{
    return testfiles::writeTwoColourPicture(path, qRgb(0, 128, 128), qRgb(0, 128, 128), size);
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

class tst_settingsdialogbrowse : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void chooserShowsTitleFolderAndFilter();
    void acceptAndBrowseAgainFromChosenFolder_data();
    void acceptAndBrowseAgainFromChosenFolder();
    void cancelChangesNothing();
    void installedProgramStartsInPicturesElseHome_data();
    void installedProgramStartsInPicturesElseHome();

private:
    // A dialog with the picture file chosen: `picture`, speed 20.
    SettingsDialog *openDialog(const QString &picture) { return fixture_->open(1, picture, 20); }
    PathBox *pathBox() const { return fixture_->control<PathBox>("pathBox"); }
    PictureBox *preview() const { return fixture_->control<PictureBox>("previewBox"); }
    // Saves and returns the bytes written: source, picture file and speed as the dialog holds them.
    QByteArray saved();
    std::unique_ptr<DialogFixture> fixture_;
};

void tst_settingsdialogbrowse::init()
{
    fixture_ = std::make_unique<DialogFixture>();
    QVERIFY(fixture_->isValid());
    QDir(fixture_->folder()).mkdir(QStringLiteral("pics"));
    QVERIFY(writePicture(fixture_->path(QStringLiteral("start.jpg")), QSize(100, 100)));
    QVERIFY(writePicture(fixture_->path(QStringLiteral("pics/wide.jpg")), QSize(400, 300)));
    QVERIFY(writePicture(fixture_->path(QStringLiteral("pics/tall.BMP")), QSize(300, 400)));
}

void tst_settingsdialogbrowse::cleanup() { fixture_.reset(); }

QByteArray tst_settingsdialogbrowse::saved()
{
    fixture_->click("saveButton");
    return testfiles::readFile(fixture_->settingsPath());
}

void tst_settingsdialogbrowse::chooserShowsTitleFolderAndFilter()
{
    const QString folder = fixture_->path(QStringLiteral("filter"));
    QVERIFY(QDir(fixture_->folder()).mkdir(QStringLiteral("filter")));
    const QStringList pass{"a.jpg", "a.JPG", "aJPG", "b.bmp", "C.BMP", "x.Jpg"};
    const QStringList fail{"a.jpeg", "a.png", "abmp", "a.jpg.txt", "b.gif"};
    for (const QString &name : pass + fail) {
        QFile file(folder + QLatin1Char('/') + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(folder).mkdir(QStringLiteral("sub"))); // folders stay visible to move through
    QVERIFY(writePicture(folder + QStringLiteral("/start.jpg"), QSize(10, 10)));
    QVERIFY(openDialog(folder + QStringLiteral("/start.jpg")));
    QString title, startFolder, filterShown;
    int filterCount = -1;
    QStringList names;
    const bool driven = fixture_->browse([&](QFileDialog *chooser) {
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
    QCOMPARE(startFolder, folder); // the folder of the picture loaded
    QCOMPARE(filterShown, QStringLiteral("画像ﾌｧｲﾙ (BMP JPG)"));
    QCOMPARE(filterCount, 1);
    QStringList expected = pass;
    expected << "start.jpg" << "sub";
    expected.sort();
    QCOMPARE(names, expected);
}

void tst_settingsdialogbrowse::acceptAndBrowseAgainFromChosenFolder_data()
{
    QTest::addColumn<QString>("typed");   // relative to the temporary folder
    QTest::addColumn<QSize>("display");
    QTest::newRow("wide jpg") << "pics/wide.jpg" << QSize(80, 60);
    QTest::newRow("tall BMP") << "pics/tall.BMP" << QSize(60, 80);
    QTest::newRow("typed name of a missing file") << "pics/none.jpg" << QSize(80, 80);
}

void tst_settingsdialogbrowse::acceptAndBrowseAgainFromChosenFolder()
{
    QFETCH(QString, typed);
    QFETCH(QSize, display);
    QVERIFY(openDialog(fixture_->path(QStringLiteral("start.jpg"))));
    const QString chosen = fixture_->path(typed);
    QVERIFY(fixture_->choosePicture(chosen));
    QCOMPARE(pathBox()->toPlainText(), chosen);
    QCOMPARE(preview()->size(), display);

    QString secondStart;
    QVERIFY(fixture_->browse([&](QFileDialog *chooser) {
        secondStart = chooser->directory().absolutePath();
        QTest::keyClick(chooser, Qt::Key_Escape);
    }));
    QCOMPARE(secondStart, fixture_->path(QStringLiteral("pics"))); // the chosen picture's folder
    // The chosen picture is what is saved, after a cancelled browse too; browsing does not change the source.
    QCOMPARE(saved(), testfiles::settingsBytes(" 1", chosen.toUtf8(), " 20"));
}

void tst_settingsdialogbrowse::cancelChangesNothing()
{
    const QString start = fixture_->path(QStringLiteral("start.jpg"));
    QVERIFY(openDialog(start));
    const QSize displayBefore = preview()->size();
    const QImage previewBefore = preview()->surface().copy();
    QVERIFY(fixture_->browse([&](QFileDialog *chooser) {
        // A file is selected but the chooser is cancelled.
        auto *name = chooser->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        QTest::keyClicks(name, fixture_->path(QStringLiteral("pics/wide.jpg")));
        chooser->reject();
    }));
    QCOMPARE(pathBox()->toPlainText(), start);
    QCOMPARE(fixture_->chooserStartFolder(), fixture_->folder()); // the next browse starts where the first did
    QCOMPARE(preview()->size(), displayBefore);
    QCOMPARE(preview()->surface(), previewBefore);
    QCOMPARE(saved(), testfiles::settingsBytes(" 1", start.toUtf8(), " 20"));
}

void tst_settingsdialogbrowse::installedProgramStartsInPicturesElseHome_data()
{
    // The settings live in the fixture's folder, not beside the program: an installed program.
    QTest::addColumn<QString>("expected"); // made in the home folder, where the chooser must start
    QTest::newRow("the pictures folder") << "/Pictures";
    QTest::newRow("no pictures folder: home") << "";
}

void tst_settingsdialogbrowse::installedProgramStartsInPicturesElseHome()
{
    QFETCH(QString, expected);
    const QString home = fixture_->path(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(home + expected));
    const QByteArray savedHome = qgetenv("HOME"), savedConfig = qgetenv("XDG_CONFIG_HOME");
    const auto restore = qScopeGuard([&] { qputenv("HOME", savedHome); qputenv("XDG_CONFIG_HOME", savedConfig); });
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home)); // no user-dirs.dirs names another pictures folder
    QVERIFY(fixture_->open(0, QString(), 20));
    DialogFixture::pressAndRelease(fixture_->control("pictureMark"), Qt::LeftButton); // enables browsing
    QCOMPARE(fixture_->chooserStartFolder(), home + expected);
}

QTEST_MAIN(tst_settingsdialogbrowse)
#include "tst_settingsdialogbrowse.moc"
