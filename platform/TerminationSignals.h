// SIGTERM, SIGINT and SIGHUP caught from the start of a mode, and delivered as a Qt signal on the event loop.
#pragma once

#include <QObject>

class QSocketNotifier;

// Screen-saver daemons stop a saver with SIGTERM (and a terminal with SIGINT or SIGHUP), at any
// moment, also while it starts. The handlers are installed by the constructor, which needs no
// application object, so they can be in place before anything is opened; each signal is noted and
// no longer ends the process. The handler only notes the signal and writes to a pipe; requested()
// follows from the event loop once watch() has been called, where ending is safe. The Unix
// convention for the end: a program stopped by a signal ends by that signal after its clean-up
// (endBy()), so that the daemon sees a normal end. One instance at a time; the previous
// dispositions come back when it is destroyed.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    // From now on each signal is followed by requested() from the event loop; a signal that came
    // before is announced at the loop's first turn. Needs the application object; once is enough.
    void watch();
    // The first of the signals caught so far, or 0.
    int received() const;

    // Ends the process by `signal` as if it had never been caught: its default disposition back,
    // the signal unblocked and raised. Only where that cannot end it, exits with 128 + signal.
    [[noreturn]] static void endBy(int signal);

signals:
    void requested(int signal);

private:
    void readPipe();
    bool installed_ = false;
    QSocketNotifier *notifier_ = nullptr;
};
