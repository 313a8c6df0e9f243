// Tests of the regular-file check: what counts as a readable regular file, and that a pipe never blocks it.
#include "files/RegularFile.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class tst_regularfile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void isReadable_data();
    void isReadable();
    void isReadableDoesNotHangOnPipe();

private:
    QString path(const QString &name) const { return dir_.path() + u'/' + name; }

    QTemporaryDir dir_;
};

void tst_regularfile::init()
{
    QVERIFY(dir_.isValid());
}

void tst_regularfile::isReadable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");
    QTest::newRow("regular file") << "file.jpg" << true;
    QTest::newRow("trailing slash dropped") << "file.jpg/" << true;
    QTest::newRow("empty file") << "empty.jpg" << true;
    QTest::newRow("Japanese name") << "写真.jpg" << true;
    QTest::newRow("folder") << "sub" << false;
    QTest::newRow("folder with slash") << "sub/" << false;
    QTest::newRow("missing") << "missing.jpg" << false;
    QTest::newRow("two trailing slashes") << "file.jpg//" << false;
    QTest::newRow("empty path") << "<empty>" << false;
    QTest::newRow("slash only") << "<root>" << false;
    QTest::newRow("NUL inside") << "<nul>" << false;
    QTest::newRow("device") << "<device>" << false;
    QTest::newRow("dangling link") << "dangling" << false;
    QTest::newRow("link to a file") << "link.jpg" << true;
}

void tst_regularfile::isReadable()
{
    QFETCH(QString, name);
    QFETCH(bool, exists);
    QVERIFY(testfiles::writeFile(path(QStringLiteral("file.jpg")), "x"));
    QVERIFY(testfiles::writeFile(path(QStringLiteral("empty.jpg")), ""));
    QVERIFY(testfiles::writeFile(path(QStringLiteral("写真.jpg")), "x"));
    QVERIFY(QDir().mkpath(path(QStringLiteral("sub"))));
    QFile::remove(path(QStringLiteral("dangling")));
    QVERIFY(QFile::link(path(QStringLiteral("nowhere")), path(QStringLiteral("dangling"))));
    QFile::remove(path(QStringLiteral("link.jpg")));
    QVERIFY(QFile::link(path(QStringLiteral("file.jpg")), path(QStringLiteral("link.jpg"))));
    QString target = path(name);
    if (name == QStringLiteral("<empty>"))
        target.clear();
    else if (name == QStringLiteral("<root>"))
        target = QStringLiteral("/");
    else if (name == QStringLiteral("<nul>"))
        target = path(QStringLiteral("file.jpg")) + QChar(0) + QStringLiteral("x");
    else if (name == QStringLiteral("<device>"))
        target = QStringLiteral("/dev/null");
    QCOMPARE(RegularFile::isReadable(FileName::fromText(target)), exists);
}

void tst_regularfile::isReadableDoesNotHangOnPipe()
{
    const QString fifo = path(QStringLiteral("pipe.jpg"));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    // Returning at all is the test: a blocking open would wait forever.
    QVERIFY(!RegularFile::isReadable(FileName::fromText(fifo)));
}

QTEST_GUILESS_MAIN(tst_regularfile)
#include "tst_regularfile.moc"
