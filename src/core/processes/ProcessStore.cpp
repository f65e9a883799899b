#include "core/processes/ProcessStore.h"

#include "core/Assign.h"
#include "core/Blanks.h"
#include "core/Concurrency.h"
#include "core/processes/ProcFs.h"
#include "core/processes/SocketDiag.h"
#include "core/processes/ProcessSignal.h"

#include <QHash>
#include <QMap>
#include <QPromise>
#include <QStringView>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>

#include <signal.h>
#include <unistd.h>

namespace {

// Waits until one of ports is listened on again, for at most limit, while at least one
// of the supervisors (pid and start time) still runs (or until stop).
void waitForListener(const QSet<int> &ports, const QHash<qint32, std::optional<quint64>> &supervisors,
                     std::chrono::milliseconds limit, const std::atomic<bool> &stop)
{
    const auto running = [](qint32 pid, std::optional<quint64> startTime) {
        const std::optional<ProcFs::Stat> stat = ProcFs::readStat(pid);
        return stat && stat->state != 'Z' && (!startTime || stat->startTime == *startTime);
    };
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline && !stop.load(std::memory_order_acquire)) {
        const QHash<quint64, int> listening = SocketDiag::ownTcpListeners().value_or(QHash<quint64, int>());
        if (std::any_of(listening.cbegin(), listening.cend(), [&ports](int port) { return ports.contains(port); }))
            return;
        // npm and other wrappers end with their child: nothing is left to restart it.
        bool anyRunning = false;
        for (auto it = supervisors.cbegin(); it != supervisors.cend() && !anyRunning; ++it)
            anyRunning = running(it.key(), it.value());
        if (!anyRunning)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

QString systemMessage(int error)
{
    // The GNU strerror_r: thread-safe, returns the message (maybe not in buffer).
    char buffer[256];
    return QString::fromLocal8Bit(::strerror_r(error, buffer, sizeof buffer));
}

} // namespace

ProcessStore::ProcessStore(ScanFunction scan, QObject *parent)
    : QObject(parent)
    , m_scan(std::move(scan))
    , m_statusText(QStringLiteral("Scanning for whatever is holding your dev ports…"))
    , m_sortOrder({ProcessComparator{ProcessComparator::Key::memoryBytes, Qt::DescendingOrder}})
    , m_mailbox(std::make_shared<Mailbox>(this))
{
}

ProcessStore::~ProcessStore()
{
    m_stopping.store(true, std::memory_order_release);
    m_mailbox->close();
}

void ProcessStore::setPortFilter(const QString &portFilter)
{
    if (assignIfChanged(m_portFilter, portFilter))
        emit portFilterChanged();
}

QString ProcessStore::portQuery() const
{
    return trimBlanks(m_portFilter).toString();
}

void ProcessStore::setSelection(const QSet<qint32> &selection)
{
    if (assignIfChanged(m_selection, selection))
        emit selectionChanged();
}

void ProcessStore::setShowOnlyHanging(bool showOnlyHanging)
{
    if (assignIfChanged(m_showOnlyHanging, showOnlyHanging))
        emit showOnlyHangingChanged();
}

void ProcessStore::setSortOrder(const ProcessSortOrder &sortOrder)
{
    if (assignIfChanged(m_sortOrder, sortOrder))
        emit sortOrderChanged();
}

void ProcessStore::setProcesses(const QList<NodeProcess> &processes)
{
    if (assignIfChanged(m_processes, processes))
        emit processesChanged();
}

void ProcessStore::setIsLoading(bool isLoading)
{
    if (assignIfChanged(m_isLoading, isLoading))
        emit isLoadingChanged();
}

void ProcessStore::setStatusText(const QString &statusText)
{
    if (assignIfChanged(m_statusText, statusText))
        emit statusTextChanged();
}

QList<BlockedPort> ProcessStore::blockedPorts() const
{
    const QSet<int> &devPorts = ProcessScanner::devPorts();
    QMap<int, QList<NodeProcess>> holders;
    for (const NodeProcess &process : m_processes) {
        for (const int port : process.ports) {
            if (devPorts.contains(port))
                holders[port].append(process);
        }
    }
    QList<BlockedPort> blocked;
    blocked.reserve(holders.size());
    for (auto it = holders.begin(); it != holders.end(); ++it) {
        QList<NodeProcess> &processes = it.value();
        std::stable_sort(processes.begin(), processes.end(),
                         [](const NodeProcess &a, const NodeProcess &b) { return a.pid < b.pid; });
        blocked.append(BlockedPort{it.key(), processes});
    }
    return blocked;
}

QList<NodeProcess> ProcessStore::visible() const
{
    const QStringView query = trimBlanks(m_portFilter);
    QList<NodeProcess> rows;
    if (!query.isEmpty()) {
        // A typed port shows every holder, suspicious or not.
        for (const NodeProcess &process : m_processes) {
            const bool matches = std::any_of(process.ports.cbegin(), process.ports.cend(),
                                             [query](int port) { return QString::number(port).startsWith(query); });
            if (matches)
                rows.append(process);
        }
    } else if (m_showOnlyHanging) {
        for (const NodeProcess &process : m_processes) {
            if (process.hangingReason())
                rows.append(process);
        }
    } else {
        rows = m_processes;
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [this](const NodeProcess &a, const NodeProcess &b) { return sortsBefore(m_sortOrder, a, b); });
    return rows;
}

int ProcessStore::hangingCount() const
{
    return int(std::count_if(m_processes.cbegin(), m_processes.cend(),
                             [](const NodeProcess &process) { return process.hangingReason().has_value(); }));
}

QFuture<void> ProcessStore::reload()
{
    if (m_isLoading)
        return QtFuture::makeReadyFuture();
    // Set before anything is started, so a second call right after this one is a no-op.
    setIsLoading(true);
    setStatusText(QStringLiteral("Scanning processes…"));
    return handBack(
        m_pool, m_mailbox,
        [scan = m_scan, &stopping = m_stopping] {
            const ProcessScanner::StopScope scope(stopping);
            return scan();
        },
        [this](const ProcessScan &scan) { publish(scan); });
}

void ProcessStore::publish(const ProcessScan &scan)
{
    const QList<NodeProcess> &processes = scan.processes;
    setProcesses(processes);
    if (m_otherHolders != scan.otherHolders) {
        m_otherHolders = scan.otherHolders;
        emit otherHoldersChanged();
    }
    QSet<qint32> stillRunning;
    for (const NodeProcess &process : processes) {
        if (m_selection.contains(process.id))
            stillRunning.insert(process.id);
    }
    setSelection(stillRunning);
    setIsLoading(false);
    setStatusText(summaryText());
}

QString ProcessStore::summaryText() const
{
    const QList<BlockedPort> blocked = blockedPorts();
    if (!blocked.isEmpty()) {
        QStringList ports;
        for (const BlockedPort &port : blocked)
            ports.append(QString::number(port.port));
        return QStringLiteral("%1 dev port%2 in use: %3.")
            .arg(blocked.size())
            .arg(blocked.size() == 1 ? QString() : QStringLiteral("s"), ports.join(QLatin1String(", ")));
    }
    if (!m_processes.isEmpty()) {
        return QStringLiteral("%1 Node process%2 · none of them is holding a known dev port.")
            .arg(m_processes.size())
            .arg(m_processes.size() == 1 ? QString() : QStringLiteral("es"));
    }
    return QStringLiteral(
        "No Node processes running. Nothing from Node is on a dev port — something else still can be.");
}

std::optional<QString> ProcessStore::refusal(qint32 pid)
{
    if (pid <= 1 || pid == qint32(::getpid()))
        return QStringLiteral("pid %1: refusing to signal this process").arg(pid);
    return std::nullopt;
}

// For each port a signalled process held: a new holder whose parent chain reaches a
// listed process, nearest first, that is not a holder itself.
QList<KillOutcome::Respawn> ProcessStore::respawns(const QHash<int, QSet<qint32>> &confirmedPorts,
                                                   const QHash<qint32, NodeProcess> &current)
{
    QList<KillOutcome::Respawn> found;
    for (const NodeProcess &holder : current) {
        for (const int port : holder.ports) {
            const auto confirmed = confirmedPorts.constFind(port);
            if (confirmed == confirmedPorts.cend() || confirmed->contains(holder.pid))
                continue;
            qint32 ancestor = holder.ppid;
            // The chain is short; the bound only guards against a cycle of reused pids.
            for (int depth = 0; depth < 64 && ancestor > 1; ++depth) {
                const auto parent = current.constFind(ancestor);
                if (parent == current.cend())
                    break;
                if (!parent->ports.contains(port)) {
                    found.append({port, holder.pid, *parent});
                    break;
                }
                ancestor = parent->ppid;
            }
        }
    }
    std::sort(found.begin(), found.end(), [](const KillOutcome::Respawn &a, const KillOutcome::Respawn &b) {
        return std::pair(a.port, a.pid) < std::pair(b.port, b.pid);
    });
    return found;
}

QFuture<KillOutcome> ProcessStore::kill(const QSet<qint32> &ids, bool force)
{
    const int signal = force ? SIGKILL : SIGTERM;
    QHash<qint32, NodeProcess> listed;
    for (const NodeProcess &process : m_processes)
        listed.insert(process.pid, process);
    QStringList failures;
    QList<ProcessSignal::Watch> watches;
    for (const qint32 pid : ids) {
        if (std::optional<QString> refused = refusal(pid)) {
            failures.append(*refused);
            continue;
        }
        const auto found = listed.constFind(pid);
        const std::optional<quint64> startTime = found == listed.cend() ? std::nullopt : found->startTime;
        int pidfd = -1;
        const int error = ProcessSignal::send(pid, signal, startTime, &pidfd);
        if (error == 0)
            watches.append({pid, pidfd, startTime});
        // Already gone (or its pid now another process's) is what we wanted.
        else if (error != ESRCH)
            failures.append(QStringLiteral("pid %1: %2").arg(pid).arg(systemMessage(error)));
    }

    // The ports the signalled processes held, and whether one of them has a listed parent
    // that was not signalled and so may start it again.
    QHash<int, QSet<qint32>> confirmedPorts;
    QHash<qint32, std::optional<quint64>> supervisors;
    for (const ProcessSignal::Watch &watch : watches) {
        const auto found = listed.constFind(watch.pid);
        if (found == listed.cend())
            continue;
        for (const int port : found->ports)
            confirmedPorts[port].insert(watch.pid);
        if (const auto parent = listed.constFind(found->ppid); parent != listed.cend() && !ids.contains(parent->pid))
            supervisors.insert(parent->pid, parent->startTime);
    }
    QSet<int> watchedPorts;
    if (!supervisors.isEmpty()) {
        for (auto it = confirmedPorts.cbegin(); it != confirmedPorts.cend(); ++it)
            watchedPorts.insert(it.key());
    }

    auto outcome = std::make_shared<QPromise<KillOutcome>>();
    outcome->start();
    const auto reloadAndReport = [this, outcome, failures, force, listed,
                                  confirmedPorts](const QList<qint32> &survivors) {
        // No context object here: Qt 6.4 asserts when it is gone before the future ends.
        // Without one, this runs right where the list is published, on this thread, or not
        // at all once the store is gone.
        reload().then([this, outcome, failures, force, listed, confirmedPorts, survivors] {
            KillOutcome result{failures, {}, {}};
            QHash<qint32, NodeProcess> current;
            for (const NodeProcess &process : m_processes)
                current.insert(process.pid, process);
            if (!force) {
                for (const qint32 pid : survivors) {
                    NodeProcess bare;
                    bare.id = bare.pid = pid;
                    result.stillRunning.append(current.value(pid, listed.value(pid, bare)));
                }
                std::sort(result.stillRunning.begin(), result.stillRunning.end(),
                          [](const NodeProcess &a, const NodeProcess &b) { return a.pid < b.pid; });
            }
            result.respawned = respawns(confirmedPorts, current);
            outcome->addResult(result);
            outcome->finish();
        });
    };
    if (watches.isEmpty()) {
        reloadAndReport({});
        return outcome->future();
    }
    const qsizetype n = watches.size();
    setStatusText(QStringLiteral("Waiting for %1 process%2 to stop…").arg(n).arg(n == 1 ? "" : "es"));
    (void)handBack(
        m_pool, m_mailbox,
        [watches, watchedPorts, supervisors, limit = force ? s_killWait : s_termWait, &stopping = m_stopping] {
            QList<qint32> survivors = ProcessSignal::waitForExit(watches, limit, stopping);
            if (!watchedPorts.isEmpty())
                waitForListener(watchedPorts, supervisors, s_respawnWait, stopping);
            return survivors;
        },
        reloadAndReport);
    return outcome->future();
}
