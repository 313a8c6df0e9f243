// Tests of reaching a file through links: chains of the user's own links are followed, another
// user's link or too many links are not, and a path through a plain file reaches nothing.
#include "files/AtomicFile.h"
#include "files/FileTarget.h"
#include "files/RegularFile.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

QByteArray readAll(const QString &path) { return testfiles::readFile(path, "<unreadable>"); }

// The bytes of the file that `target` names, read on a descriptor opened without following links.
std::optional<QByteArray> readThrough(const FileTarget &target)
{
    const RegularFile::Opened opened = RegularFile::open(target.folder(), target.name(), false);
    if (!opened.isRegular())
        return std::nullopt;
    return RegularFile::readAll(opened.descriptor.get(), 1024);
}

} // namespace

class tst_filetarget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void pathThroughAPlainFileReachesNothing();
    void linkChainsAreFollowedOnlyThroughTrustedLinks_data();
    void linkChainsAreFollowedOnlyThroughTrustedLinks();

private:
    QString path(const QString &name) const { return dir_.path() + u'/' + name; }

    QTemporaryDir dir_;
};

void tst_filetarget::init()
{
    QVERIFY(dir_.isValid());
}

void tst_filetarget::pathThroughAPlainFileReachesNothing()
{
    const QString file = path(QStringLiteral("plain"));
    QVERIFY(testfiles::writeFile(file, "x"));
    QString error;
    int code = 0;
    QVERIFY(!FileTarget::resolve(FileName::fromText(file + QStringLiteral("/Helixcavern.ini")), &error, &code));
    QVERIFY2(error.contains(file), qPrintable(error)); // a failure says why, naming the file
    QCOMPARE(code, ENOTDIR);
    QCOMPARE(readAll(file), QByteArray("x"));
}

void tst_filetarget::linkChainsAreFollowedOnlyThroughTrustedLinks_data()
{
    QTest::addColumn<int>("links");      // ini -> link1 -> ... -> real.ini
    QTest::addColumn<int>("foreignLink"); // which link belongs to another user; -1: none
    QTest::addColumn<bool>("followed");
    QTest::newRow("one link of the user's") << 1 << -1 << true;
    QTest::newRow("chain of three of the user's") << 3 << -1 << true;
    QTest::newRow("as many links as allowed") << FileTarget::MaxLinks << -1 << true;
    QTest::newRow("one link too many") << FileTarget::MaxLinks + 1 << -1 << false;
    QTest::newRow("planted link of another user") << 1 << 0 << false;
    QTest::newRow("another user's link inside the chain") << 3 << 2 << false;
}

void tst_filetarget::linkChainsAreFollowedOnlyThroughTrustedLinks()
{
    QFETCH(int, links);
    QFETCH(int, foreignLink);
    QFETCH(bool, followed);
    if (foreignLink >= 0 && ::geteuid() != 0)
        QSKIP("only root can make a link that belongs to another user");
    QVERIFY(::chmod(QFile::encodeName(dir_.path()).constData(), 0755) == 0);
    if (!testusers::ordinaryUserReaches(dir_.path()))
        QSKIP("no other user can reach the test's folder here (a root folder private to root)");

    // A shared folder, as when another user may plant names beside the program.
    const QString folder = path(QStringLiteral("shared"));
    QDir(folder).removeRecursively();
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0777) == 0);
    const QString real = folder + QStringLiteral("/real.ini");
    const QByteArray before = "[Section]\r\nk= 37\r\n";
    const QByteArray after = "[Section]\r\nk= 5\r\n";
    QVERIFY(testfiles::writeFile(real, before));
    const auto [uid, gid] = testusers::ordinaryUser();
    QVERIFY(testusers::giveTo(real, uid));
    QString next = real;
    for (int i = links - 1; i >= 0; --i) { // link 0 is Helixcavern.ini itself; relative targets
        const QString link = i == 0 ? folder + QStringLiteral("/Helixcavern.ini") : folder + QStringLiteral("/link%1").arg(i);
        QVERIFY(QFile::link(QFileInfo(next).fileName(), link));
        QVERIFY(testusers::giveTo(link, i == foreignLink ? testusers::anotherUser() : uid));
        next = link;
    }
    const QString ini = folder + QStringLiteral("/Helixcavern.ini");

    const bool asExpected = testusers::runAsOrdinaryUser([&] {
        QString error;
        const std::optional<FileTarget> target = FileTarget::resolve(FileName::fromText(ini), &error);
        if (!followed) // refused, and the error names a file
            return !target && error.contains(folder);
        return target && readThrough(*target) == before && AtomicFile::replace(*target, after, &error);
    });
    QVERIFY(asExpected);
    QCOMPARE(readAll(real), followed ? after : before);
    QVERIFY(QFileInfo(ini).isSymLink()); // every link of the chain stays a link
    QVERIFY(testfiles::temporariesOf(folder, QStringLiteral("real.ini")).isEmpty());
}

QTEST_GUILESS_MAIN(tst_filetarget)
#include "tst_filetarget.moc"
