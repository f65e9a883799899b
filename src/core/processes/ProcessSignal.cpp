#include "core/processes/ProcessSignal.h"

#include "core/processes/ProcFs.h"

#include <cerrno>
#include <thread>
#include <vector>

#include <poll.h>

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

int send(qint32 pid, int signal, std::optional<quint64> startTime, int *keptPidfd)
{
    if (keptPidfd)
        *keptPidfd = -1;
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
        if (error == 0 && keptPidfd)
            *keptPidfd = pidfd;
        else
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

QList<qint32> waitForExit(const QList<Watch> &watches, std::chrono::milliseconds limit, const std::atomic<bool> &stop)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + limit;
    QList<Watch> running = watches;
    for (;;) {
        running.removeIf([](const Watch &watch) {
            if (watch.pidfd < 0) {
                const std::optional<ProcFs::Stat> stat = ProcFs::readStat(watch.pid);
                return !stat || stat->state == 'Z' || (watch.startTime && stat->startTime != *watch.startTime);
            }
            pollfd ended{watch.pidfd, POLLIN, 0};
            if (::poll(&ended, 1, 0) != 1)
                return false;
            ::close(watch.pidfd);
            return true;
        });
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (running.isEmpty() || left.count() <= 0 || stop.load(std::memory_order_acquire))
            break;
        // Pidfds wake the wait the moment a process ends; a process without one is
        // looked at again every 50 ms, which is also how quickly stop is heard.
        std::vector<pollfd> fds;
        for (const Watch &watch : running) {
            if (watch.pidfd >= 0)
                fds.push_back({watch.pidfd, POLLIN, 0});
        }
        const int slice = int(std::min<qint64>(left.count(), 50));
        if (fds.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(slice));
        else
            ::poll(fds.data(), nfds_t(fds.size()), slice);
    }
    QList<qint32> pids;
    for (const Watch &watch : running) {
        pids.append(watch.pid);
        if (watch.pidfd >= 0)
            ::close(watch.pidfd);
    }
    return pids;
}

} // namespace ProcessSignal
