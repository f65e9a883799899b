#include "cli/PortsCommand.h"

#include "cli/Await.h"
#include "cli/Consent.h"
#include "cli/InterruptWatcher.h"
#include "cli/Terminal.h"
#include "cli/TextTable.h"
#include "core/ByteFormat.h"
#include "core/processes/ProcessStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonValue orNull(const std::optional<QString> &text)
{
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

QJsonObject processJson(const NodeProcess &process)
{
    QJsonArray ports;
    for (const int port : process.ports)
        ports.append(port);
    return {
        {QStringLiteral("pid"), process.pid},
        {QStringLiteral("ppid"), process.ppid},
        {QStringLiteral("kind"), NodeProcess::rawValue(process.kind)},
        {QStringLiteral("command"), process.command},
        {QStringLiteral("cwd"), orNull(process.cwd)},
        {QStringLiteral("ports"), ports},
        {QStringLiteral("elapsedSeconds"), process.elapsedSeconds},
        {QStringLiteral("elapsed"), process.elapsedText()},
        {QStringLiteral("memoryBytes"), process.memoryBytes()},
        {QStringLiteral("hangingReason"), orNull(process.hangingReason())},
    };
}

QString directoryText(const NodeProcess &process)
{
    return process.cwd ? NodeProcess::printable(*process.cwd) : QStringLiteral("—");
}

// "• Vite · pid 4711 · up 5m 3s · port 5173", then the folder on a line of its own.
QString describe(const NodeProcess &process)
{
    return QStringLiteral("  • ") + process.summaryText() + QStringLiteral("\n    ") + directoryText(process)
        + QLatin1Char('\n');
}

// Command lines run to kilobytes; the table keeps their start (--json has them whole).
QString commandText(const NodeProcess &process)
{
    constexpr qsizetype s_width = 100;
    const QString command = NodeProcess::printable(process.command);
    return command.size() <= s_width ? command : command.left(s_width - 1) + QStringLiteral("…");
}

QString processName(const NodeProcess &process)
{
    return QStringLiteral("%1 (pid %2)").arg(NodeProcess::rawValue(process.kind)).arg(process.pid);
}

} // namespace

PortsCommand::PortsCommand(const CliOptions &options, const InterruptWatcher &interrupts)
    : m_options(options)
    , m_interrupts(interrupts)
{
}

int PortsCommand::runPorts()
{
    ProcessStore store;
    if (!await(store.reload(), &m_interrupts))
        return ExitStatus::interrupted;

    const QList<BlockedPort> blocked = store.blockedPorts();
    QList<NodeProcess> shown;
    if (m_options.all) {
        shown = store.processes();
    } else {
        QSet<qint32> seen;
        for (const BlockedPort &port : blocked) {
            for (const NodeProcess &process : port.processes) {
                if (!seen.contains(process.pid)) {
                    seen.insert(process.pid);
                    shown.append(process);
                }
            }
        }
    }
    const bool matched = m_options.all ? !shown.isEmpty() : !blocked.isEmpty();

    if (m_options.json) {
        QJsonArray ports;
        for (const BlockedPort &port : blocked) {
            QJsonArray pids;
            for (const NodeProcess &process : port.processes)
                pids.append(process.pid);
            ports.append(QJsonObject{{QStringLiteral("port"), port.port},
                                     {QStringLiteral("summary"), port.summary()},
                                     {QStringLiteral("pids"), pids}});
        }
        QJsonArray holders;
        for (const PortHolder &holder : store.otherHolders()) {
            holders.append(QJsonObject{
                {QStringLiteral("port"), holder.port},
                {QStringLiteral("pid"), holder.pid ? QJsonValue(*holder.pid) : QJsonValue(QJsonValue::Null)},
                {QStringLiteral("name"), holder.name},
                {QStringLiteral("description"), holder.description()}});
        }
        QJsonArray processes;
        for (const NodeProcess &process : shown)
            processes.append(processJson(process));
        const QJsonObject document{{QStringLiteral("status"), store.statusText()},
                                   {QStringLiteral("blockedPorts"), ports},
                                   {QStringLiteral("otherHolders"), holders},
                                   {QStringLiteral("processes"), processes}};
        Terminal::out(QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented)));
        return matched ? 0 : 1;
    }

    using Align = TextTable::Align;
    if (!blocked.isEmpty()) {
        TextTable table({QStringLiteral("PORT"), QStringLiteral("PID"), QStringLiteral("KIND"), QStringLiteral("UP"),
                         QStringLiteral("MEMORY"), QStringLiteral("DIRECTORY")},
                        {Align::right, Align::right, Align::left, Align::right, Align::right});
        for (const BlockedPort &port : blocked) {
            for (const NodeProcess &process : port.processes) {
                table.addRow({QString::number(port.port), QString::number(process.pid),
                              NodeProcess::rawValue(process.kind), process.elapsedText(),
                              ByteFormat::string(process.memoryBytes()), directoryText(process)},
                             process.hangingReason() ? Terminal::Colour::yellow : Terminal::Colour::none);
            }
        }
        Terminal::out(table.text());
    }
    if (m_options.all && !shown.isEmpty()) {
        if (!blocked.isEmpty())
            Terminal::out(QStringLiteral("\n"));
        TextTable table({QStringLiteral("PID"), QStringLiteral("KIND"), QStringLiteral("PORTS"), QStringLiteral("UP"),
                         QStringLiteral("MEMORY"), QStringLiteral("COMMAND")},
                        {Align::right, Align::left, Align::left, Align::right, Align::right});
        for (const NodeProcess &process : shown) {
            table.addRow({QString::number(process.pid), NodeProcess::rawValue(process.kind), process.portsText(),
                          process.elapsedText(), ByteFormat::string(process.memoryBytes()), commandText(process)},
                         process.hangingReason() ? Terminal::Colour::yellow : Terminal::Colour::none);
        }
        Terminal::out(table.text());
    }
    QString notes;
    for (const NodeProcess &process : shown) {
        if (const std::optional<QString> reason = process.hangingReason())
            notes += Terminal::paint(QStringLiteral("pid %1 flagged: %2").arg(process.pid).arg(*reason),
                                     Terminal::Colour::yellow)
                + QLatin1Char('\n');
    }
    for (const PortHolder &holder : store.otherHolders())
        notes += holder.description() + QLatin1Char('\n');
    if (!notes.isEmpty())
        Terminal::out(QStringLiteral("\n") + notes);
    Terminal::out(Terminal::paint(store.statusText(), Terminal::Colour::dim) + QLatin1Char('\n'));
    return matched ? 0 : 1;
}

int PortsCommand::runFree()
{
    ProcessStore store;
    if (!await(store.reload(), &m_interrupts))
        return ExitStatus::interrupted;

    // Exactly the listed processes on the requested ports, copied before the question.
    QSet<qint32> ids;
    QList<int> heldPorts;
    QString plan;
    bool missing = false;
    for (const int port : m_options.ports) {
        QList<NodeProcess> holders;
        for (const NodeProcess &process : store.processes()) {
            if (process.ports.contains(port))
                holders.append(process);
        }
        if (holders.isEmpty()) {
            missing = true;
            QString reason = QStringLiteral("no Node process is listening on port %1").arg(port);
            for (const PortHolder &holder : store.otherHolders()) {
                if (holder.port == port)
                    reason = holder.description();
            }
            Terminal::error(reason);
            continue;
        }
        std::sort(holders.begin(), holders.end(),
                  [](const NodeProcess &a, const NodeProcess &b) { return a.pid < b.pid; });
        heldPorts.append(port);
        plan += QStringLiteral("Port %1:\n").arg(port);
        for (const NodeProcess &process : holders) {
            if (!ids.contains(process.pid))
                plan += describe(process);
            ids.insert(process.pid);
        }
    }
    if (ids.isEmpty())
        return ExitStatus::failed;

    const qsizetype n = ids.size();
    Terminal::out(plan);
    Terminal::out(QStringLiteral("Stop %1 process%2 with SIGTERM%3.\n")
                      .arg(n)
                      .arg(n == 1 ? QString() : QStringLiteral("es"))
                      .arg(m_options.force ? QStringLiteral(", then SIGKILL what is still running") : QString()));
    if (const auto status = consent(m_options.yes, QStringLiteral("stopping"), QStringLiteral("stopped"), m_interrupts))
        return *status;

    QFuture<KillOutcome> term = store.kill(ids, false);
    if (!await(term, &m_interrupts) || term.resultCount() == 0)
        return ExitStatus::interrupted;
    KillOutcome outcome = term.result();
    if (m_options.force && !outcome.stillRunning.isEmpty()) {
        QSet<qint32> stubborn;
        QStringList names;
        for (const NodeProcess &process : outcome.stillRunning) {
            stubborn.insert(process.pid);
            names.append(processName(process));
        }
        Terminal::out(QStringLiteral("Still running after SIGTERM: %1. Sending SIGKILL.\n")
                          .arg(names.join(QStringLiteral(", "))));
        QFuture<KillOutcome> kill = store.kill(stubborn, true);
        if (!await(kill, &m_interrupts) || kill.resultCount() == 0)
            return ExitStatus::interrupted;
        const KillOutcome second = kill.result();
        outcome.failures += second.failures;
        outcome.stillRunning = second.stillRunning;
        outcome.respawned += second.respawned;
    }

    for (const QString &failure : std::as_const(outcome.failures))
        Terminal::error(failure);
    if (!outcome.stillRunning.isEmpty()) {
        QStringList names;
        for (const NodeProcess &process : std::as_const(outcome.stillRunning))
            names.append(processName(process));
        Terminal::error(QStringLiteral("did not stop after %1: %2%3")
                            .arg(m_options.force ? QStringLiteral("SIGKILL") : QStringLiteral("SIGTERM"),
                                 names.join(QStringLiteral(", ")),
                                 m_options.force ? QString() : QStringLiteral(" (--force sends SIGKILL)")));
    }
    QSet<qint32> parents;
    for (const KillOutcome::Respawn &respawn : std::as_const(outcome.respawned)) {
        if (parents.contains(respawn.parent.pid))
            continue;
        parents.insert(respawn.parent.pid);
        Terminal::error(QStringLiteral("Port %1 was taken again by pid %2 — its parent %3 (pid %4) restarts it.")
                            .arg(respawn.port)
                            .arg(respawn.pid)
                            .arg(NodeProcess::rawValue(respawn.parent.kind))
                            .arg(respawn.parent.pid));
    }

    bool allFree = !missing && outcome.failures.isEmpty();
    for (const int port : std::as_const(heldPorts)) {
        bool held = false;
        for (const NodeProcess &process : store.processes())
            held = held || process.ports.contains(port);
        allFree = allFree && !held;
        if (held)
            Terminal::err(QStringLiteral("Port %1 is still in use.\n").arg(port));
        else
            Terminal::out(Terminal::paint(QStringLiteral("Port %1 is free.").arg(port), Terminal::Colour::green)
                          + QLatin1Char('\n'));
    }
    return allFree ? 0 : 1;
}
