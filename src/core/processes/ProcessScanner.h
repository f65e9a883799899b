#pragma once

#include "core/processes/DevPorts.h"
#include "core/processes/NodeProcess.h"
#include "core/processes/PortHolder.h"
#include "core/system/ChildProcess.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <optional>

// Which Node-ecosystem processes run now, with their ports, directories, ages and
// memory. Stateless; every function blocks the calling thread and may run on any
// thread but the GUI thread. Failures never surface as errors: a tool that is
// missing, fails or times out counts as one that printed nothing.
// What one scan found: the Node processes, in the order ps listed them, and what else
// holds a dev port, by ascending port.
struct ProcessScan
{
    // Implicit: a list of processes alone is a scan in which nothing else holds a dev
    // port, which is what the stores' test feeds hand over.
    ProcessScan(QList<NodeProcess> processes = {}, QList<PortHolder> otherHolders = {})
        : processes(std::move(processes))
        , otherHolders(std::move(otherHolders))
    {
    }

    QList<NodeProcess> processes;
    QList<PortHolder> otherHolders;
};

namespace ProcessScanner {

// Runs /bin/ps, then reads from /proc, for the accepted pids only: the start time and
// state (zombies and pids taken over by a newer process since ps listed them are left
// out), the working directory, and the listening TCP ports (the kernel's listening
// sockets of the process's network namespace, by netlink or from /proc/net/tcp and tcp6,
// joined with its socket descriptors). Where neither can be read, lsof gives the ports
// and directories instead. The
// result is in the order ps listed them. Each tool gets at most 15 s. The other holders
// of dev ports come from the kernel's tables too (none on the lsof path).
[[nodiscard]] ProcessScan scan();

// While it lives, a scan on this thread can be stopped from another thread: once stop is
// true, the running tool is killed within about 50 ms and scan() returns early with a
// partial result, meant to be dropped. Scopes nest; the innermost one counts.
class StopScope
{
public:
    explicit StopScope(const std::atomic<bool> &stop);
    ~StopScope();
    StopScope(const StopScope &) = delete;
    StopScope &operator=(const StopScope &) = delete;

private:
    const std::atomic<bool> *m_outer;
};

// Seconds from ps's "[[dd-]hh:]mm:ss"; unreadable parts count as 0, a value that
// does not fit 64 bits gives 0. Pure; any thread.
[[nodiscard]] qint64 parseETime(const QString &text);
// Whether a command line belongs to the Node ecosystem (keyword test, editor
// helper processes excluded). Pure; any thread.
[[nodiscard]] bool isNodeProcess(const QString &command);
[[nodiscard]] NodeProcess::Kind classify(const QString &command);

// pid -> listening ports, from lsof's tabular listing (first line is the header;
// lines that do not fit are skipped). Pure; any thread.
[[nodiscard]] QHash<qint32, QSet<int>> parseListening(const QString &text);

// The pieces scan() is built from, exposed for tests and benchmarks.
namespace detail {

struct PSEntry
{
    qint32 pid = 0;
    qint32 ppid = 0;
    qint64 elapsedSeconds = 0;
    qint64 rssKB = 0;
    QString command;

    friend bool operator==(const PSEntry &, const PSEntry &) = default;
};

// ChildProcess::run under this thread's StopScope.
[[nodiscard]] QString run(const QString &path, const QStringList &arguments, int timeoutMs = 15000,
                          qsizetype maxBytes = ChildProcess::s_maxOutput);

// The accepted rows of `ps -o pid=,ppid=,etime=,rss=,command=` output: Node
// commands only, never ownPid, never a pid below 1 (signalling 0 or -1 would reach
// a whole process group or every process). Pure; any thread.
[[nodiscard]] QList<PSEntry> parsePs(const QString &text, qint32 ownPid);
[[nodiscard]] QList<PSEntry> ps();
// The lsof fallback, for a /proc whose network tables cannot be read. Runs
// /usr/sbin/lsof, or /usr/bin/lsof when the first prints nothing.
[[nodiscard]] QHash<qint32, QSet<int>> listeningPorts();
// pid -> directory from lsof's field output (-Fpn). Pure; any thread.
[[nodiscard]] QHash<qint32, QString> parseWorkingDirectories(const QString &text);
// One lsof run for all pids; the empty map without running anything when pids is empty.
// lsof's note for a directory it could not read ("/proc/PID/cwd (readlink: Permission
// denied)") is no directory and is left out.
[[nodiscard]] QHash<qint32, QString> workingDirectories(const QList<qint32> &pids);

// pid -> listening ports from the kernel's tables, for these pids only; nullopt when
// netDirectory's tcp table cannot be opened. netDirectory is this process's network
// namespace ("/proc/net"); a pid in another namespace is looked up in its own
// /proc/<pid>/net, once per namespace.
[[nodiscard]] std::optional<QHash<qint32, QSet<int>>>
kernelListeningPorts(const QList<qint32> &pids, const QString &netDirectory = QStringLiteral("/proc/net"));
// The same with this namespace's listeners (ProcFs::listeners) already read: each read of
// a kernel table walks the whole connection hash, milliseconds on a large machine.
[[nodiscard]] QHash<qint32, QSet<int>> kernelListeningPorts(const QList<qint32> &pids,
                                                            const QHash<quint64, int> &ownListeners);

// The dev ports of ownListeners (this network namespace's) that no pid of nodePorts holds,
// with their owners: found by walking every process's descriptors, only when there is
// such a port. An owner that turns out to be a Node process (one ps had not listed yet)
// is left out; an owner that cannot be found is another user's process.
[[nodiscard]] QList<PortHolder> otherDevPortHolders(const QHash<quint64, int> &ownListeners,
                                                    const QHash<qint32, QSet<int>> &nodePorts);

} // namespace detail
} // namespace ProcessScanner
