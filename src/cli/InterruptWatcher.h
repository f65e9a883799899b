#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into the interrupted() signal on the main thread (a
// self-pipe), so a command can cancel its scan with the token and end a deletion between
// two folders instead of dying halfway through one. One per process; while it lives the
// default action of those signals is off.
class InterruptWatcher : public QObject
{
    Q_OBJECT

public:
    explicit InterruptWatcher(QObject *parent = nullptr);
    ~InterruptWatcher() override;

    [[nodiscard]] bool isInterrupted() const { return m_interrupted; }

signals:
    void interrupted();

private:
    static void handle(int signal);
    static int s_pipe[2];

    QSocketNotifier *m_notifier = nullptr;
    bool m_interrupted = false;
};
