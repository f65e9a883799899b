#pragma once

#include <QList>
#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <optional>

namespace ProcessSignal {

// Sends signal to the one process pid (never its group) through a pidfd, so the signal
// reaches the process that the pidfd was opened on even if it ends and its pid is reused
// meanwhile. With startTime (field 22 of /proc/<pid>/stat, recorded when the process was
// listed), it is sent only while the pid still has that start time: a pid now held by
// another process means the listed one is gone, and nothing is sent. Returns 0 on
// success, else the errno (ESRCH for a process that is gone). The caller refuses pids
// below 2 and its own. Any thread; does not block.
// When pidfd is given and the signal went out through a pidfd, that pidfd is handed over
// in it (the caller closes it); else it is set to -1.
[[nodiscard]] int send(qint32 pid, int signal, std::optional<quint64> startTime, int *pidfd = nullptr);

// A signalled process to wait for: its pidfd from send(), or -1 when it had none.
struct Watch
{
    qint32 pid = 0;
    int pidfd = -1;
    std::optional<quint64> startTime;
};

// Waits until every watched process has ended (a zombie has ended), for at most limit,
// and gives the pids still running then. Stops waiting as soon as stop is true. Closes
// the pidfds. Blocks: never on the GUI thread.
[[nodiscard]] QList<qint32> waitForExit(const QList<Watch> &watches, std::chrono::milliseconds limit,
                                        const std::atomic<bool> &stop);

} // namespace ProcessSignal
