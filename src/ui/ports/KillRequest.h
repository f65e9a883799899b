#pragma once

#include "core/processes/BlockedPort.h"
#include "core/processes/NodeProcess.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// One kill waiting for the user's confirmation: exactly the pids to signal, copied when the
// request is made, so a reload while the dialog is open changes nothing that gets signalled.
struct KillRequest
{
    QSet<qint32> ids;
    bool force = false; // SIGKILL when true, else SIGTERM
    QString label;      // what is stopped, in words: "3 processes", "whatever is holding port 3000"
    QStringList details;

    // "{label}-{force}-{number of ids}", for example "3 processes-false-3".
    [[nodiscard]] QString id() const;
    // "Stop {label}?"
    [[nodiscard]] QString title() const;
    // "Stop (SIGTERM)" or "Force Kill (SIGKILL)".
    [[nodiscard]] QString confirmLabel() const;

    // A request for chosen processes, labelled "1 process" or "N processes"; details are
    // describe(processes, ids).
    [[nodiscard]] static KillRequest forProcesses(const QList<NodeProcess> &processes, const QSet<qint32> &ids,
                                                  bool force);
    // A request for every holder of a blocked port, labelled "whatever is holding port N".
    [[nodiscard]] static KillRequest forPort(const BlockedPort &port, const QList<NodeProcess> &processes, bool force);

    // One entry per process of processes whose id is in ids, by ascending pid, at most 8,
    // then "…and N more not listed here." when more were found. An entry is
    // "• {kind} · pid {pid} · up {age}[ · port {ports}]", then "\n   {directory}" and
    // "\n   flagged: {reason}" when known. Ids with no process add nothing.
    [[nodiscard]] static QStringList describe(const QList<NodeProcess> &processes, const QSet<qint32> &ids);
    // The dialog message: the details, then the closing sentence for SIGKILL or SIGTERM,
    // one line feed between them.
    [[nodiscard]] static QString killMessage(const KillRequest &request);

    friend bool operator==(const KillRequest &, const KillRequest &) = default;
};
