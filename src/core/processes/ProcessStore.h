#pragma once

#include "core/processes/BlockedPort.h"
#include "core/processes/NodeProcess.h"
#include "core/processes/ProcessScanner.h"
#include "core/processes/ProcessSortOrder.h"

#include <QFuture>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class Mailbox;

// What kill() reports once it has waited for the signalled processes and reloaded.
struct KillOutcome
{
    // "pid {pid}: {system message}" per pid the signal could not reach, and the refusal
    // line per pid that is never signalled; empty when every signal went out.
    QStringList failures;
    // Sent SIGTERM and still running when the wait ended, by ascending pid, as the
    // reload listed them.
    QList<NodeProcess> stillRunning;

    // A port a signalled process held, listening again after the kill under a new pid that
    // descends from parent, a process of the listing that restarts it.
    struct Respawn
    {
        int port = 0;
        qint32 pid = 0;
        NodeProcess parent;

        friend bool operator==(const Respawn &, const Respawn &) = default;
    };
    // By ascending port.
    QList<Respawn> respawned;

    friend bool operator==(const KillOutcome &, const KillOutcome &) = default;
};

// The observable list of Node processes behind the Ports screen, the sidebar badge
// and the status bar. Lives on the GUI thread and is touched only there; each
// xChanged() signal fires only when x takes a different value. Derived values are
// recomputed on every call. The scan runs on a worker thread of the store's own pool.
class ProcessStore : public QObject
{
    Q_OBJECT

public:
    using ScanFunction = std::function<ProcessScan()>;

    // scan runs on a worker thread; tests pass their own to feed records.
    explicit ProcessStore(ScanFunction scan = ProcessScanner::scan, QObject *parent = nullptr);
    // Ends at once: a tool the running scan waits for is killed (ProcessScanner::StopScope).
    ~ProcessStore() override;

    [[nodiscard]] const QList<NodeProcess> &processes() const { return m_processes; }
    // The dev ports the last scan found held by something that is not a Node process.
    [[nodiscard]] const QList<PortHolder> &otherHolders() const { return m_otherHolders; }
    [[nodiscard]] bool isLoading() const { return m_isLoading; }
    [[nodiscard]] QString statusText() const { return m_statusText; }

    [[nodiscard]] QString portFilter() const { return m_portFilter; }
    void setPortFilter(const QString &portFilter);
    // The port filter as visible() applies it: trimmed of spaces and tabs; empty when
    // nothing but blanks was typed.
    [[nodiscard]] QString portQuery() const;
    [[nodiscard]] QSet<qint32> selection() const { return m_selection; }
    void setSelection(const QSet<qint32> &selection);
    [[nodiscard]] bool showOnlyHanging() const { return m_showOnlyHanging; }
    void setShowOnlyHanging(bool showOnlyHanging);
    [[nodiscard]] ProcessSortOrder sortOrder() const { return m_sortOrder; }
    void setSortOrder(const ProcessSortOrder &sortOrder);

    [[nodiscard]] QList<BlockedPort> blockedPorts() const;
    [[nodiscard]] QList<NodeProcess> visible() const;
    [[nodiscard]] int hangingCount() const;

    // Rescans on a worker thread and publishes on the GUI thread: processes, the other
    // holders, the selection narrowed to pids still running, isLoading, statusText. Never blocks.
    // While a reload runs, returns a finished future and starts nothing. Otherwise
    // the future finishes once the new list is published.
    QFuture<void> reload();
    // Signals each pid on its own (SIGKILL when force, else SIGTERM; never its
    // process group), waits on a worker thread for the signalled processes to end
    // (at most s_termWait after SIGTERM, s_killWait after SIGKILL), then reloads. A pid
    // listed with a start time is signalled only while it still has that start time;
    // one now held by another process, like a process already gone, counts as stopped
    // and gets nothing. A pid not in the list is signalled without that check. When a
    // signalled process has a listed parent that was not signalled (a supervisor that
    // may restart it), the wait goes on for up to s_respawnWait until one of its ports
    // is listened on again, or until no such parent runs any more. The future finishes after that reload has published
    // (at once when a reload was already running); it gives no result when the store goes first.
    QFuture<KillOutcome> kill(const QSet<qint32> &ids, bool force);

    static constexpr std::chrono::milliseconds s_termWait{3000};
    static constexpr std::chrono::milliseconds s_killWait{1000};
    static constexpr std::chrono::milliseconds s_respawnWait{1500};

    // "pid {pid}: refusing to signal this process" for a pid kill() never signals:
    // below 1 (0 and -1 would reach a process group or every process we may
    // signal), 1 (init, whose end takes the system down) or the application's own;
    // nothing for any other pid.
    [[nodiscard]] static std::optional<QString> refusal(qint32 pid);

signals:
    void processesChanged();
    void otherHoldersChanged();
    void isLoadingChanged();
    void statusTextChanged();
    void portFilterChanged();
    void selectionChanged();
    void showOnlyHangingChanged();
    void sortOrderChanged();

private:
    void setProcesses(const QList<NodeProcess> &processes);
    void setIsLoading(bool isLoading);
    void setStatusText(const QString &statusText);
    void publish(const ProcessScan &scan);
    [[nodiscard]] QString summaryText() const;
    [[nodiscard]] static QList<KillOutcome::Respawn> respawns(const QHash<int, QSet<qint32>> &confirmedPorts,
                                                              const QHash<qint32, NodeProcess> &current);

    ScanFunction m_scan;
    QList<NodeProcess> m_processes;
    QList<PortHolder> m_otherHolders;
    bool m_isLoading = false;
    QString m_statusText;
    QString m_portFilter;
    QSet<qint32> m_selection;
    bool m_showOnlyHanging = false;
    ProcessSortOrder m_sortOrder;
    std::atomic<bool> m_stopping = false;
    std::shared_ptr<Mailbox> m_mailbox;
    // Last member: destroyed first, so running scans end before the store does.
    QThreadPool m_pool;
};
