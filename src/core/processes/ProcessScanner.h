#pragma once

#include "core/processes/NodeProcess.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

// Which Node-ecosystem processes run now, with their ports, directories, ages and
// memory. Stateless; every function blocks the calling thread and may run on any
// thread but the GUI thread. Failures never surface as errors: a tool that is
// missing, fails or times out counts as one that printed nothing.
namespace ProcessScanner {

// Runs /bin/ps, then lsof for listening sockets, then lsof for the working
// directories of the accepted pids. The result is in the order ps listed them.
[[nodiscard]] QList<NodeProcess> scan();

[[nodiscard]] qint64 parseETime(const QString &text);
[[nodiscard]] bool isNodeProcess(const QString &command);
[[nodiscard]] NodeProcess::Kind classify(const QString &command);

// The 27 known dev-server ports.
[[nodiscard]] const QSet<int> &devPorts();

// pid -> listening ports, from lsof's tabular listing.
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
};

// Runs an executable by absolute path with these arguments (no shell) and returns
// its standard output decoded as UTF-8 (invalid bytes repaired), or the empty text
// when it cannot run. Standard error is discarded. A tool still running after
// timeoutMs is killed and reaped; what it printed until then is returned.
[[nodiscard]] QString run(const QString &path, const QStringList &arguments, int timeoutMs = 15000);

[[nodiscard]] QList<PSEntry> parsePs(const QString &text, qint32 ownPid);
[[nodiscard]] QList<PSEntry> ps();
[[nodiscard]] QHash<qint32, QSet<int>> listeningPorts();
[[nodiscard]] QHash<qint32, QString> parseWorkingDirectories(const QString &text);
[[nodiscard]] QHash<qint32, QString> workingDirectories(const QList<qint32> &pids);

} // namespace detail
} // namespace ProcessScanner
