#include "core/processes/ProcessScanner.h"

#include "core/Concurrency.h"
#include "core/processes/ProcFs.h"

#include <QFile>
#include <QList>
#include <QMap>
#include <QStringView>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>
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

namespace ProcessScanner {
namespace {

using Clock = std::chrono::steady_clock;

constexpr rlim_t s_maxChildOpenFiles = 1024;
// How often a tool's wait looks at the StopScope's flag.
constexpr int s_stopCheckMs = 50;

thread_local const std::atomic<bool> *t_stop = nullptr;

bool stopRequested()
{
    return t_stop && t_stop->load(std::memory_order_acquire);
}

const QStringList &lsofPaths()
{
    static const QStringList paths = {QStringLiteral("/usr/sbin/lsof"),
                                      QStringLiteral("/usr/bin/lsof")};
    return paths;
}

// "Spaces and tabs" as the listing and the filter mean them: the Unicode space
// separators and the tab.
bool isBlank(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QStringView trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// Optional sign, then ASCII digits only, in range. QString::toInt would also
// accept surrounding whitespace, which a field that kept its tab must not pass.
template <typename Int>
std::optional<Int> parseDecimal(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (!text.isEmpty() && (text[0] == u'+' || text[0] == u'-')) {
        negative = text[0] == u'-';
        i = 1;
    }
    if (i == text.size())
        return std::nullopt;
    Int value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const Int digit = Int(c - u'0');
        // Accumulating towards the sign keeps the most negative value in range.
        if (__builtin_mul_overflow(value, Int(10), &value))
            return std::nullopt;
        if (negative ? __builtin_sub_overflow(value, digit, &value)
                     : __builtin_add_overflow(value, digit, &value))
            return std::nullopt;
    }
    return value;
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
// reaped by someone else, which only a SIGCHLD set to SIG_IGN can do). A stoppable
// wait gives up as soon as the StopScope's flag is set.
bool reapBefore(pid_t pid, Clock::time_point deadline, bool stoppable = false)
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
        if (left <= 0 || (stoppable && stopRequested()))
            break;
        // A pidfd wakes us the moment the child ends; without one (old kernel,
        // seccomp), poll the exit status in short steps.
        if (!triedPidfd) {
            pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
            triedPidfd = true;
        }
        if (pidfd >= 0) {
            pollfd pfd{pidfd, POLLIN, 0};
            ::poll(&pfd, 1, stoppable && t_stop ? std::min(left, s_stopCheckMs) : left);
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
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
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
        struct sigaction current{};
        if (::sigaction(sig, nullptr, &current) != 0)
            continue;
        const bool caught = current.sa_handler != SIG_DFL && current.sa_handler != SIG_IGN;
        if (caught || (sig == SIGPIPE && current.sa_handler == SIG_IGN)) {
            struct sigaction byDefault{};
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

QString runLsof(const QStringList &arguments)
{
    for (const QString &path : lsofPaths()) {
        QString text = detail::run(path, arguments);
        if (!text.isEmpty())
            return text;
    }
    return {};
}

} // namespace

namespace detail {

QString run(const QString &path, const QStringList &arguments, int timeoutMs, qsizetype maxBytes)
{
    assertNotGuiThread(__func__);

    const QByteArray file = QFile::encodeName(path);
    struct stat info{};
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
        if (stopRequested()) {
            stopped = true;
            break;
        }
        const int left = millisecondsLeft(deadline);
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd pfd{readEnd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, t_stop ? std::min(left, s_stopCheckMs) : left);
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
    const bool reaped = !stopped && !timedOut && !flooded && reapBefore(pid, deadline, true);
    if (!reaped && stopRequested()) {
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

QList<PSEntry> parsePs(const QString &text, qint32 ownPid)
{
    QList<PSEntry> entries;
    const QList<QStringView> lines = QStringView(text).split(u'\n', Qt::SkipEmptyParts);
    for (const QStringView rawLine : lines) {
        const QStringView line = trimBlanks(rawLine);
        const QList<QStringView> fields = line.split(u' ', Qt::SkipEmptyParts);
        if (fields.size() < 5)
            continue;
        const std::optional<qint32> pid = parseDecimal<qint32>(fields[0]);
        if (!pid)
            continue;
        const std::optional<qint32> ppid = parseDecimal<qint32>(fields[1]);
        if (!ppid)
            continue;
        // Such a pid would later reach kill(), where 0 means our process group and
        // -1 every process we may signal.
        if (*pid <= 0)
            continue;
        const QStringView elapsed = fields[2];
        const qint64 rssKB = parseDecimal<qint64>(fields[3]).value_or(0);

        QString prefix;
        for (qsizetype i = 0; i < 4; ++i) {
            prefix += fields[i];
            prefix += u' ';
        }
        QString command;
        if (line.startsWith(prefix)) {
            command = line.sliced(prefix.size()).toString();
        } else {
            for (qsizetype i = 4; i < fields.size(); ++i) {
                if (i > 4)
                    command += u' ';
                command += fields[i];
            }
        }

        if (*pid == ownPid || !isNodeProcess(command))
            continue;
        entries.append(PSEntry{*pid, *ppid, parseETime(elapsed.toString()), rssKB, command});
    }
    return entries;
}

QList<PSEntry> ps()
{
    const QString text = run(QStringLiteral("/bin/ps"),
                             {QStringLiteral("-axww"), QStringLiteral("-o"),
                              QStringLiteral("pid=,ppid=,etime=,rss=,command=")});
    return parsePs(text, qint32(::getpid()));
}

QHash<qint32, QSet<int>> listeningPorts()
{
    return parseListening(runLsof({QStringLiteral("-nP"), QStringLiteral("-iTCP"),
                                   QStringLiteral("-sTCP:LISTEN")}));
}

QHash<qint32, QString> parseWorkingDirectories(const QString &text)
{
    QHash<qint32, QString> directories;
    std::optional<qint32> current;
    const QList<QStringView> lines = QStringView(text).split(u'\n', Qt::SkipEmptyParts);
    for (const QStringView line : lines) {
        const QChar tag = line.front();
        const QStringView value = line.sliced(1);
        if (tag == u'p')
            current = value.isEmpty() ? std::nullopt : parseDecimal<qint32>(value);
        else if (tag == u'n' && current)
            directories.insert(*current, value.toString());
    }
    return directories;
}

QHash<qint32, QString> workingDirectories(const QList<qint32> &pids)
{
    if (pids.isEmpty())
        return {};
    QStringList pidTexts;
    pidTexts.reserve(pids.size());
    for (const qint32 pid : pids)
        pidTexts.append(QString::number(pid));
    QHash<qint32, QString> directories = parseWorkingDirectories(
        runLsof({QStringLiteral("-a"), QStringLiteral("-d"), QStringLiteral("cwd"), QStringLiteral("-p"),
                 pidTexts.join(u','), QStringLiteral("-Fpn")}));
    directories.removeIf([](const QHash<qint32, QString>::iterator entry) {
        return entry->startsWith(QLatin1String("/proc/")) && entry->contains(QLatin1String(" (readlink: "));
    });
    return directories;
}

std::optional<QHash<qint32, QSet<int>>> kernelListeningPorts(const QList<qint32> &pids, const QString &netDirectory)
{
    const std::optional<QHash<quint64, int>> own = ProcFs::listeners(netDirectory);
    if (!own)
        return std::nullopt;
    return kernelListeningPorts(pids, *own);
}

QHash<qint32, QSet<int>> kernelListeningPorts(const QList<qint32> &pids, const QHash<quint64, int> &ownListeners)
{
    const std::optional<QByteArray> ownNamespace = ProcFs::netNamespace(0);
    // Keyed by namespace: a container's processes share one table, read once.
    QHash<QByteArray, QHash<quint64, int>> otherNamespaces;
    QHash<qint32, QSet<int>> listening;
    for (const qint32 pid : pids) {
        const QHash<quint64, int> *table = &ownListeners;
        const std::optional<QByteArray> ns = ProcFs::netNamespace(pid);
        if (ns && ns != ownNamespace) {
            auto found = otherNamespaces.find(*ns);
            if (found == otherNamespaces.end()) {
                const QString directory = QStringLiteral("/proc/%1/net").arg(pid);
                found = otherNamespaces.insert(*ns, ProcFs::listeners(directory).value_or(QHash<quint64, int>()));
            }
            table = &*found;
        }
        // Most processes of a namespace without listeners need no descriptor walk at all.
        if (table->isEmpty())
            continue;
        for (const quint64 inode : ProcFs::socketInodes(pid)) {
            if (const auto port = table->constFind(inode); port != table->cend())
                listening[pid].insert(*port);
        }
    }
    return listening;
}

} // namespace detail

QList<PortHolder> detail::otherDevPortHolders(const QHash<quint64, int> &ownListeners,
                                              const QHash<qint32, QSet<int>> &nodePorts)
{
    QSet<int> held;
    for (const QSet<int> &ports : nodePorts)
        held.unite(ports);
    QHash<quint64, int> wanted;
    for (auto it = ownListeners.cbegin(); it != ownListeners.cend(); ++it) {
        if (devPorts().contains(it.value()) && !held.contains(it.value()))
            wanted.insert(it.key(), it.value());
    }
    if (wanted.isEmpty())
        return {};
    const QList<quint64> inodes = wanted.keys();
    const QHash<quint64, qint32> owners = ProcFs::socketOwners(QSet<quint64>(inodes.cbegin(), inodes.cend()));
    QMap<int, PortHolder> byPort;
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        const int port = it.value();
        const auto owner = owners.constFind(it.key());
        if (owner == owners.cend()) {
            if (!byPort.contains(port))
                byPort.insert(port, PortHolder{port, std::nullopt, {}});
            continue;
        }
        if (isNodeProcess(ProcFs::commandLine(*owner).value_or(QString())))
            continue;
        const QString name = ProcFs::commandName(*owner).value_or(QStringLiteral("?"));
        byPort.insert(port, PortHolder{port, *owner, NodeProcess::printable(name)});
    }
    return byPort.values();
}

ProcessScan scan()
{
    assertNotGuiThread(__func__);

    const QList<detail::PSEntry> listed = detail::ps();
    if (stopRequested())
        return {};
    // Read once: each read walks the kernel's whole connection table.
    const std::optional<QHash<quint64, int>> ownListeners = ProcFs::listeners(QStringLiteral("/proc/net"));
    // Nothing from Node: lsof is not run, but what holds the dev ports can still be named.
    if (listed.isEmpty())
        return {{}, ownListeners ? detail::otherDevPortHolders(*ownListeners, {}) : QList<PortHolder>()};

    QList<detail::PSEntry> entries;
    QList<quint64> startTimes;
    QList<qint32> pids;
    for (const detail::PSEntry &entry : listed) {
        const std::optional<ProcFs::Stat> stat = ProcFs::readStat(entry.pid);
        // Gone since ps listed it, a zombie (it holds nothing and cannot be signalled), or
        // a pid already reused by a process younger than the one ps saw.
        if (!stat || stat->state == 'Z' || ProcFs::secondsSinceStart(stat->startTime) + 1 < entry.elapsedSeconds)
            continue;
        entries.append(entry);
        startTimes.append(stat->startTime);
        pids.append(entry.pid);
    }

    std::optional<QHash<qint32, QSet<int>>> listening;
    if (ownListeners)
        listening = detail::kernelListeningPorts(pids, *ownListeners);
    QHash<qint32, QString> directories;
    if (listening) {
        for (const qint32 pid : pids) {
            if (std::optional<QString> directory = ProcFs::workingDirectory(pid))
                directories.insert(pid, std::move(*directory));
        }
    } else {
        // A /proc that hides its network tables: lsof may still see what it hides.
        listening = detail::listeningPorts();
        if (!stopRequested())
            directories = detail::workingDirectories(pids);
    }

    QList<NodeProcess> processes;
    processes.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const detail::PSEntry &entry = entries.at(i);
        NodeProcess process;
        process.id = entry.pid;
        process.pid = entry.pid;
        process.ppid = entry.ppid;
        process.kind = classify(entry.command);
        process.command = entry.command;
        if (const auto directory = directories.constFind(entry.pid); directory != directories.cend())
            process.cwd = *directory;
        if (const auto ports = listening->constFind(entry.pid); ports != listening->cend()) {
            process.ports = QList<int>(ports->cbegin(), ports->cend());
            std::sort(process.ports.begin(), process.ports.end());
        }
        process.elapsedSeconds = entry.elapsedSeconds;
        process.rssKB = entry.rssKB;
        process.startTime = startTimes.at(i);
        processes.append(std::move(process));
    }
    if (!ownListeners || stopRequested())
        return {processes, {}};
    return {processes, detail::otherDevPortHolders(*ownListeners, *listening)};
}

StopScope::StopScope(const std::atomic<bool> &stop)
    : m_outer(std::exchange(t_stop, &stop))
{
}

StopScope::~StopScope()
{
    t_stop = m_outer;
}

qint64 parseETime(const QString &text)
{
    QStringView rest(text);
    qint64 days = 0;
    if (const qsizetype dash = rest.indexOf(u'-'); dash >= 0) {
        days = parseDecimal<qint64>(rest.first(dash)).value_or(0);
        rest = rest.sliced(dash + 1);
    }
    QList<qint64> pieces;
    for (const QStringView piece : rest.split(u':', Qt::SkipEmptyParts))
        pieces.append(parseDecimal<qint64>(piece).value_or(0));

    qint64 hours = 0;
    qint64 minutes = 0;
    qint64 seconds = 0;
    switch (pieces.size()) {
    case 1:
        seconds = pieces[0];
        break;
    case 2:
        minutes = pieces[0];
        seconds = pieces[1];
        break;
    case 3:
        hours = pieces[0];
        minutes = pieces[1];
        seconds = pieces[2];
        break;
    default:
        break;
    }

    qint64 total = 0;
    if (__builtin_mul_overflow(days, qint64(24), &total) || __builtin_add_overflow(total, hours, &total)
        || __builtin_mul_overflow(total, qint64(60), &total)
        || __builtin_add_overflow(total, minutes, &total)
        || __builtin_mul_overflow(total, qint64(60), &total)
        || __builtin_add_overflow(total, seconds, &total))
        return 0;
    return total;
}

bool isNodeProcess(const QString &command)
{
    static const QStringList keywords = {
        QStringLiteral("node"), QStringLiteral("npm"),  QStringLiteral("yarn"),
        QStringLiteral("pnpm"), QStringLiteral("next"), QStringLiteral("nest"),
        QStringLiteral("vite"), QStringLiteral("nodemon"), QStringLiteral("react-scripts")};
    const QString lower = command.toLower();
    if (lower.contains(QLatin1String("helper (renderer)")) || lower.contains(QLatin1String("code helper")))
        return false;
    return std::any_of(keywords.cbegin(), keywords.cend(),
                       [&lower](const QString &keyword) { return lower.contains(keyword); });
}

NodeProcess::Kind classify(const QString &command)
{
    using Kind = NodeProcess::Kind;
    const QString lower = command.toLower();
    if (lower.contains(QLatin1String("next")))
        return Kind::next;
    if (lower.contains(QLatin1String("nest")))
        return Kind::nest;
    if (lower.contains(QLatin1String("vite")))
        return Kind::vite;
    if (lower.contains(QLatin1String("react-scripts")))
        return Kind::react;
    if (lower.contains(QLatin1String("nodemon")))
        return Kind::nodemon;
    if (lower.contains(QLatin1String("npm")) || lower.contains(QLatin1String("yarn"))
        || lower.contains(QLatin1String("pnpm")))
        return Kind::packageManager;
    return Kind::node;
}

const QSet<int> &devPorts()
{
    static const QSet<int> ports = {3000, 3001, 3002, 3003, 3004, 3005, 3006, 3007, 3008,
                                    3009, 4000, 4173, 4200, 5000, 5173, 5174, 5175, 6006,
                                    8000, 8080, 8081, 9000, 19000, 19001, 1234, 4321, 24678};
    return ports;
}

QHash<qint32, QSet<int>> parseListening(const QString &text)
{
    QHash<qint32, QSet<int>> listening;
    const QList<QStringView> lines = QStringView(text).split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QStringView> columns = lines[i].split(u' ', Qt::SkipEmptyParts);
        if (columns.size() < 2)
            continue;
        const std::optional<qint32> pid = parseDecimal<qint32>(columns[1]);
        if (!pid)
            continue;
        const auto address = std::find_if(columns.crbegin(), columns.crend(),
                                          [](QStringView column) { return column.contains(u':'); });
        if (address == columns.crend())
            continue;
        const QList<QStringView> pieces = address->split(u':', Qt::SkipEmptyParts);
        if (pieces.isEmpty())
            continue;
        const std::optional<int> port = parseDecimal<int>(pieces.last());
        if (!port)
            continue;
        listening[*pid].insert(*port);
    }
    return listening;
}

} // namespace ProcessScanner
