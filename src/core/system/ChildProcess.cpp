#include "core/system/ChildProcess.h"

#include "core/Concurrency.h"

#include <QFile>
#include <QList>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace ChildProcess {
namespace {

using Clock = std::chrono::steady_clock;

constexpr rlim_t s_maxChildOpenFiles = 1024;
// How often a tool's wait looks at the stop flag.
constexpr int s_stopCheckMs = 50;

bool stopRequested(const std::atomic<bool> *stop)
{
    return stop && stop->load(std::memory_order_acquire);
}

int millisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return int(std::clamp<qint64>(left.count(), 0, 1'000'000'000));
}

// Keeps a descriptor off 0, 1 and 2 so that the child's dup2 calls onto the
// standard descriptors cannot overwrite one another (possible when the
// application was started with a standard descriptor closed).
int aboveStandardDescriptors(int fd)
{
    if (fd < 0 || fd > STDERR_FILENO)
        return fd;
    const int lifted = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    ::close(fd);
    return lifted;
}

// Waits for the child to end until the deadline; true once it is reaped (or
// reaped by someone else, which only a SIGCHLD set to SIG_IGN can do). A wait with a
// stop flag gives up as soon as the flag is set.
bool reapBefore(pid_t pid, Clock::time_point deadline, const std::atomic<bool> *stop = nullptr)
{
    int pidfd = -1;
    bool triedPidfd = false;
    auto pause = std::chrono::microseconds(50);
    bool reaped = false;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR)) {
            reaped = true;
            break;
        }
        const int left = millisecondsLeft(deadline);
        if (left <= 0 || stopRequested(stop))
            break;
        // A pidfd wakes us the moment the child ends; without one (old kernel,
        // seccomp), poll the exit status in short steps.
        if (!triedPidfd) {
            pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
            triedPidfd = true;
        }
        if (pidfd >= 0) {
            pollfd pfd{pidfd, POLLIN, 0};
            ::poll(&pfd, 1, stop ? std::min(left, s_stopCheckMs) : left);
        } else {
            std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - Clock::now()));
            pause = std::min(pause * 2, std::chrono::microseconds(5000));
        }
    }
    if (pidfd >= 0)
        ::close(pidfd);
    return reaped;
}

void killAndReap(pid_t pid, Clock::duration grace = std::chrono::seconds(2))
{
    ::kill(pid, SIGKILL);
    if (reapBefore(pid, Clock::now() + grace))
        return;
    // Still there: stuck in the kernel (a hung network mount). SIGKILL takes
    // effect when that call returns; a detached waiter reaps it then, so the
    // caller is not held up and no zombie is left behind.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    }).detach();
}

struct ChildSetup
{
    int nullDevice = -1;
    int writeEnd = -1;
    bool lowerOpenFiles = false;
    rlimit openFiles{};
    char *const *argv = nullptr;
};

// The vfork child: it shares the parent's memory until execve, so it makes system
// calls only (all async-signal-safe) and writes nothing the parent reads. Every
// signal is blocked on entry.
[[noreturn]] void execChild(const ChildSetup &setup)
{
    // A handler of the application must never run in this borrowed address space:
    // back to the default action before the mask is lifted. An ignored SIGPIPE
    // would survive exec, so it goes back too.
    for (int sig = 1; sig < NSIG; ++sig) {
        if (sig == SIGKILL || sig == SIGSTOP)
            continue;
        struct sigaction current
        {
        };
        if (::sigaction(sig, nullptr, &current) != 0)
            continue;
        const bool caught = current.sa_handler != SIG_DFL && current.sa_handler != SIG_IGN;
        if (caught || (sig == SIGPIPE && current.sa_handler == SIG_IGN)) {
            struct sigaction byDefault
            {
            };
            byDefault.sa_handler = SIG_DFL;
            ::sigaction(sig, &byDefault, nullptr);
        }
    }
    // dup2 clears close-on-exec on the copies; every other descriptor of the
    // application was opened close-on-exec (our pipes included).
    ::dup2(setup.nullDevice, STDIN_FILENO);
    ::dup2(setup.writeEnd, STDOUT_FILENO);
    ::dup2(setup.nullDevice, STDERR_FILENO);
    // glibc's setrlimit is a bare prlimit64 system call: no lock, no allocation.
    if (setup.lowerOpenFiles)
        ::setrlimit(RLIMIT_NOFILE, &setup.openFiles);
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execve(setup.argv[0], setup.argv, environ);
    ::_exit(127);
}

// vfork, not fork: copying the page tables of a Qt process and the copy-on-write
// faults that follow added about 2 ms to every launch, a tenth of a whole scan.
// posix_spawn would be as quick but cannot set the child's open-file limit.
// Signals stay blocked until the child has reset the handlers. Kept out of line so
// that no caller's register variable lives across the vfork.
[[gnu::noinline]] pid_t spawnChild(const ChildSetup &setup)
{
    sigset_t all;
    sigset_t previous;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, &previous);
    const pid_t pid = ::vfork();
    if (pid == 0)
        execChild(setup);
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return pid;
}

} // namespace

QString run(const QString &path, const QStringList &arguments, int timeoutMs, qsizetype maxBytes,
            const std::atomic<bool> *stop)
{
    assertNotGuiThread(__func__);

    const QByteArray file = QFile::encodeName(path);
    struct stat info
    {
    };
    if (file.isEmpty() || ::stat(file.constData(), &info) != 0 || !S_ISREG(info.st_mode)
        || ::access(file.constData(), X_OK) != 0)
        return {};

    // Everything the child needs is prepared here: the vfork child may make
    // async-signal-safe system calls only.
    QList<QByteArray> argumentBytes;
    argumentBytes.reserve(arguments.size() + 1);
    argumentBytes.append(file);
    for (const QString &argument : arguments)
        argumentBytes.append(argument.toUtf8());
    std::vector<char *> argv;
    argv.reserve(size_t(argumentBytes.size()) + 1);
    for (QByteArray &bytes : argumentBytes)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    ChildSetup setup;
    setup.argv = argv.data();
    setup.lowerOpenFiles = ::getrlimit(RLIMIT_NOFILE, &setup.openFiles) == 0
        && (setup.openFiles.rlim_cur == RLIM_INFINITY || setup.openFiles.rlim_cur > s_maxChildOpenFiles);
    setup.openFiles.rlim_cur = s_maxChildOpenFiles;

    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return {};
    const int readEnd = aboveStandardDescriptors(pipeEnds[0]);
    setup.writeEnd = aboveStandardDescriptors(pipeEnds[1]);
    setup.nullDevice = aboveStandardDescriptors(::open("/dev/null", O_RDWR | O_CLOEXEC));
    if (readEnd < 0 || setup.writeEnd < 0 || setup.nullDevice < 0) {
        for (const int fd : {readEnd, setup.writeEnd, setup.nullDevice}) {
            if (fd >= 0)
                ::close(fd);
        }
        return {};
    }

    const pid_t pid = spawnChild(setup);
    ::close(setup.writeEnd);
    ::close(setup.nullDevice);
    if (pid < 0) {
        ::close(readEnd);
        return {};
    }

    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    QByteArray output;
    constexpr qsizetype chunk = 64 * 1024;
    bool timedOut = false;
    bool stopped = false;
    bool flooded = false;
    for (;;) {
        if (stopRequested(stop)) {
            stopped = true;
            break;
        }
        const int left = millisecondsLeft(deadline);
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd pfd{readEnd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, stop ? std::min(left, s_stopCheckMs) : left);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            break;
        if (ready == 0)
            continue; // the deadline check above ends the loop
        // A runaway tool (a ps that loops) would otherwise fill memory until the
        // application is killed: past maxBytes it is stopped and what came is parsed.
        if (output.size() >= maxBytes) {
            flooded = true;
            break;
        }
        const qsizetype used = output.size();
        const qsizetype wanted = std::min(chunk, maxBytes - used);
        output.resize(used + wanted);
        const ssize_t n = ::read(readEnd, output.data() + used, size_t(wanted));
        output.resize(used + std::max<ssize_t>(n, 0));
        if (n == 0)
            break;
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            break;
    }
    ::close(readEnd);

    // A child that closed its output but keeps running is held to the same limit.
    const bool reaped = !stopped && !timedOut && !flooded && reapBefore(pid, deadline, stop);
    if (!reaped && stopRequested(stop)) {
        // Nobody waits for this result: do not hold the caller for a tool stuck in the kernel.
        killAndReap(pid, std::chrono::milliseconds(100));
        return {};
    }
    if (!reaped)
        killAndReap(pid);
    // A line cut off at the cap could read as another, shorter line.
    if (flooded)
        output.truncate(output.lastIndexOf('\n') + 1);

    return QString::fromUtf8(output);
}

} // namespace ChildProcess
