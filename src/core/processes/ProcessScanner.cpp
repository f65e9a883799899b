#include "core/processes/ProcessScanner.h"

// Placeholder until the process scanner lands.
namespace ProcessScanner {

QList<NodeProcess> scan()
{
    return {};
}

qint64 parseETime(const QString &)
{
    return 0;
}

bool isNodeProcess(const QString &)
{
    return false;
}

NodeProcess::Kind classify(const QString &)
{
    return NodeProcess::Kind::node;
}

const QSet<int> &devPorts()
{
    static const QSet<int> ports;
    return ports;
}

QHash<qint32, QSet<int>> parseListening(const QString &)
{
    return {};
}

} // namespace ProcessScanner
