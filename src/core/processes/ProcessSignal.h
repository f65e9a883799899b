#pragma once

#include <QtGlobal>

#include <optional>

namespace ProcessSignal {

// Sends signal to the one process pid (never its group) through a pidfd, so the signal
// reaches the process that the pidfd was opened on even if it ends and its pid is reused
// meanwhile. With startTime (field 22 of /proc/<pid>/stat, recorded when the process was
// listed), it is sent only while the pid still has that start time: a pid now held by
// another process means the listed one is gone, and nothing is sent. Returns 0 on
// success, else the errno (ESRCH for a process that is gone). The caller refuses pids
// below 2 and its own. Any thread; does not block.
[[nodiscard]] int send(qint32 pid, int signal, std::optional<quint64> startTime);

} // namespace ProcessSignal
