#include "ui/ports/KillRequest.h"

#include <algorithm>

namespace {
constexpr qsizetype s_describedAtMost = 8;
} // namespace

QString KillRequest::id() const
{
    return QStringLiteral("%1-%2-%3")
        .arg(label, force ? QStringLiteral("true") : QStringLiteral("false"))
        .arg(ids.size());
}

QString KillRequest::title() const
{
    return QStringLiteral("Stop ") + label + QLatin1Char('?');
}

QString KillRequest::confirmLabel() const
{
    return force ? QStringLiteral("Force Kill (SIGKILL)") : QStringLiteral("Stop (SIGTERM)");
}

KillRequest KillRequest::forProcesses(const QList<NodeProcess> &processes, const QSet<qint32> &ids, bool force)
{
    const qsizetype count = ids.size();
    const QString label = QStringLiteral("%1 process%2").arg(count).arg(count == 1 ? QString() : QStringLiteral("es"));
    return {ids, force, label, describe(processes, ids)};
}

KillRequest KillRequest::forPort(const BlockedPort &port, const QList<NodeProcess> &processes, bool force)
{
    QSet<qint32> ids;
    for (const NodeProcess &holder : port.processes)
        ids.insert(holder.id);
    return {ids, force, QStringLiteral("whatever is holding port %1").arg(port.port), describe(processes, ids)};
}

QStringList KillRequest::describe(const QList<NodeProcess> &processes, const QSet<qint32> &ids)
{
    QList<NodeProcess> kept;
    for (const NodeProcess &process : processes) {
        if (ids.contains(process.id))
            kept.append(process);
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const NodeProcess &a, const NodeProcess &b) { return a.pid < b.pid; });

    QStringList entries;
    for (qsizetype i = 0; i < std::min(kept.size(), s_describedAtMost); ++i) {
        const NodeProcess &process = kept.at(i);
        QString entry = QStringLiteral("• ") + process.summaryText();
        if (process.cwd)
            entry += QStringLiteral("\n   ") + NodeProcess::printable(*process.cwd);
        if (const std::optional<QString> reason = process.hangingReason())
            entry += QStringLiteral("\n   flagged: ") + *reason;
        entries.append(entry);
    }
    if (kept.size() > s_describedAtMost)
        entries.append(QStringLiteral("…and %1 more not listed here.").arg(kept.size() - s_describedAtMost));
    return entries;
}

QString KillRequest::killMessage(const KillRequest &request)
{
    QStringList lines = request.details;
    lines.append(request.force ? QStringLiteral(
                     "SIGKILL stops them immediately, with no chance to clean up. Unsaved work is lost.")
                               : QStringLiteral("Unsaved work in these dev servers will be lost."));
    return lines.join(QLatin1Char('\n'));
}
