// SIGTERM, SIGINT and SIGHUP delivered as a Qt signal on the event loop.
#pragma once

#include <QObject>

class QSocketNotifier;

// Screen-saver daemons stop a saver with SIGTERM (and a terminal with SIGINT or SIGHUP). The
// handler only writes to a pipe; requested() follows from the event loop, where ending is safe.
// One instance at a time; the previous dispositions come back when it is destroyed.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void requested(int signal);

private:
    void readPipe();
    QSocketNotifier *notifier_ = nullptr;
};
