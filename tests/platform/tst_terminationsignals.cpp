// Tests of the termination signals: caught before any event loop and kept until one runs, and the
// end by the signal as the parent process sees it.
#include "platform/TerminationSignals.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {
void eachSignal()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}
} // namespace

class tst_terminationsignals : public QObject
{
    Q_OBJECT

private slots:
    // A daemon's signal during the start, before the loop runs, must neither end the process nor
    // be lost: it is announced at the loop's first turn.
    void signalBeforeTheLoopIsAnnouncedOnceItRuns_data() { eachSignal(); }
    void signalBeforeTheLoopIsAnnouncedOnceItRuns()
    {
        QFETCH(int, signal);
        TerminationSignals terminations;
        QSignalSpy requested(&terminations, &TerminationSignals::requested);
        QCOMPARE(::raise(signal), 0);
        QCOMPARE(terminations.received(), signal);
        terminations.watch();
        QVERIFY(requested.wait(2000));
        QCOMPARE(requested.size(), 1);
        QCOMPARE(requested.first().first().toInt(), signal);
        QCOMPARE(terminations.received(), signal);
    }

    // Even with the handler installed and the signal blocked, the end is by the signal.
    void endsByTheSignalAsTheParentSeesIt_data() { eachSignal(); }
    void endsByTheSignalAsTheParentSeesIt()
    {
        QFETCH(int, signal);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            TerminationSignals terminations;
            sigset_t blocked;
            sigemptyset(&blocked);
            sigaddset(&blocked, signal);
            ::sigprocmask(SIG_BLOCK, &blocked, nullptr);
            TerminationSignals::endBy(signal);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(WIFSIGNALED(status), qPrintable(QStringLiteral("exited with %1").arg(WEXITSTATUS(status))));
        QCOMPARE(WTERMSIG(status), signal);
    }
};

QTEST_GUILESS_MAIN(tst_terminationsignals)
#include "tst_terminationsignals.moc"
