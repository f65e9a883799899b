#include "core/processes/ProcessScanner.h"

#include "core/Blanks.h"
#include "core/Concurrency.h"
#include "core/processes/ProcFs.h"
#include "core/processes/SocketDiag.h"

#include <QFile>
#include <QList>
#include <QMap>
#include <QStringView>

#include <algorithm>
#include <cerrno>
#include <optional>

#include <unistd.h>

namespace ProcessScanner {
namespace {

thread_local const std::atomic<bool> *t_stop = nullptr;

bool stopRequested()
{
    return t_stop && t_stop->load(std::memory_order_acquire);
}

const QStringList &lsofPaths()
{
    static const QStringList paths = {QStringLiteral("/usr/sbin/lsof"), QStringLiteral("/usr/bin/lsof")};
    return paths;
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
        if (negative ? __builtin_sub_overflow(value, digit, &value) : __builtin_add_overflow(value, digit, &value))
            return std::nullopt;
    }
    return value;
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
    return ChildProcess::run(path, arguments, timeoutMs, maxBytes, t_stop);
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
    const QString text =
        run(QStringLiteral("/bin/ps"),
            {QStringLiteral("-axww"), QStringLiteral("-o"), QStringLiteral("pid=,ppid=,etime=,rss=,command=")});
    return parsePs(text, qint32(::getpid()));
}

QHash<qint32, QSet<int>> listeningPorts()
{
    return parseListening(runLsof({QStringLiteral("-nP"), QStringLiteral("-iTCP"), QStringLiteral("-sTCP:LISTEN")}));
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
    QHash<qint32, QString> directories =
        parseWorkingDirectories(runLsof({QStringLiteral("-a"), QStringLiteral("-d"), QStringLiteral("cwd"),
                                         QStringLiteral("-p"), pidTexts.join(u','), QStringLiteral("-Fpn")}));
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
    const std::optional<QHash<quint64, int>> ownListeners = SocketDiag::ownTcpListeners();
    // Nothing from Node: lsof is not run, but what holds the dev ports can still be named.
    if (listed.isEmpty())
        return {{}, ownListeners ? detail::otherDevPortHolders(*ownListeners, {}) : QList<PortHolder>()};

    QList<detail::PSEntry> entries;
    QList<quint64> startTimes;
    QList<qint32> pids;
    for (const detail::PSEntry &entry : listed) {
        const std::optional<ProcFs::Stat> stat = ProcFs::readStat(entry.pid);
        // Gone since ps listed it, a zombie (it holds nothing and cannot be signalled), a
        // kernel thread whose name happens to hold a keyword ("xfs-inodegc"), or a pid
        // already reused by a process younger than the one ps saw.
        if (!stat || stat->state == 'Z' || stat->kernelThread
            || ProcFs::secondsSinceStart(stat->startTime) + 1 < entry.elapsedSeconds)
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
        || __builtin_mul_overflow(total, qint64(60), &total) || __builtin_add_overflow(total, minutes, &total)
        || __builtin_mul_overflow(total, qint64(60), &total) || __builtin_add_overflow(total, seconds, &total))
        return 0;
    return total;
}

bool isNodeProcess(const QString &command)
{
    static const QStringList keywords = {
        QStringLiteral("node"), QStringLiteral("npm"),     QStringLiteral("yarn"),
        QStringLiteral("pnpm"), QStringLiteral("next"),    QStringLiteral("nest"),
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
        const auto address =
            std::find_if(columns.crbegin(), columns.crend(), [](QStringView column) { return column.contains(u':'); });
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
