#include "core/processes/ProcessSignal.h"

#include "core/processes/ProcFs.h"

#include <cerrno>

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ProcessSignal {
namespace {

bool stillSame(qint32 pid, std::optional<quint64> startTime)
{
    if (!startTime)
        return true;
    const std::optional<ProcFs::Stat> stat = ProcFs::readStat(pid);
    return stat && stat->startTime == *startTime;
}

} // namespace

int send(qint32 pid, int signal, std::optional<quint64> startTime)
{
    const int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0 && errno == ESRCH)
        return ESRCH;
    if (pidfd >= 0) {
        // The pidfd pins the process it was opened on; the start time read after opening it
        // says whether that is still the process the user confirmed.
        int error = 0;
        if (!stillSame(pid, startTime))
            error = ESRCH;
        else if (::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0) != 0)
            error = errno;
        ::close(pidfd);
        return error;
    }
    // No pidfd (a kernel before 5.3, a seccomp filter, no descriptor left): check right
    // before kill(2). The pid could still be reused between the two calls, but only by a
    // process that starts in that microsecond after every one of the pid_max pids before it
    // was taken; the scan itself is seconds old, which is the window the check closes.
    if (!stillSame(pid, startTime))
        return ESRCH;
    return ::kill(pid, signal) == 0 ? 0 : errno;
}

} // namespace ProcessSignal
