#pragma once

#include <QObject>

#include <csignal>

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

    // True from the moment the signal arrives, also before the event loop has seen it
    // (an answer read that Ctrl-C cut short).
    [[nodiscard]] bool isInterrupted() const { return s_caught != 0; }

signals:
    void interrupted();

private:
    static void handle(int signal);
    static int s_pipe[2];
    static volatile std::sig_atomic_t s_caught;

    QSocketNotifier *m_notifier = nullptr;
};
