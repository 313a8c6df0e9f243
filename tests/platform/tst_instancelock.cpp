// Tests of the Wayland saver's lock file: held by one process, seen by another, gone with its holder.
#include "platform/InstanceLock.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

namespace {
// What a child process finds: 1 when heldElsewhere(), 2 when its acquire() fails too, 0 otherwise.
int childSees()
{
    const pid_t child = fork();
    if (child == 0) {
        InstanceLock lock;
        const bool held = InstanceLock::heldElsewhere();
        const bool refused = !lock.acquire();
        _exit(held ? (refused ? 2 : 1) : (refused ? 3 : 0));
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
} // namespace

class tst_instancelock : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(runtime_.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
    }

    void anotherProcessSeesTheHolder()
    {
        QCOMPARE(childSees(), 0);
        {
            InstanceLock lock;
            QVERIFY(lock.acquire());
            QCOMPARE(InstanceLock::path(), QFile::encodeName(runtime_.path()) + "/helixcavern.lock");
            QCOMPARE(childSees(), 2);
        }
        QCOMPARE(childSees(), 0); // released with its holder
    }

    void withoutRuntimeFolderNothingIsHeld()
    {
        qputenv("XDG_RUNTIME_DIR", "");
        InstanceLock lock;
        QVERIFY(lock.acquire());
        QVERIFY(InstanceLock::path().isEmpty());
        QCOMPARE(childSees(), 0);
    }

private:
    QTemporaryDir runtime_;
};

QTEST_GUILESS_MAIN(tst_instancelock)
#include "tst_instancelock.moc"
