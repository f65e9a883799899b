#include "core/processes/NodeProcess.h"

// Placeholder until the process records land.

QString NodeProcess::rawValue(Kind)
{
    return {};
}

std::optional<NodeProcess::Kind> NodeProcess::kindFromRawValue(const QString &)
{
    return std::nullopt;
}

const QList<NodeProcess::Kind> &NodeProcess::allKinds()
{
    static const QList<Kind> kinds = {Kind::next, Kind::nest, Kind::vite, Kind::react,
                                      Kind::nodemon, Kind::packageManager, Kind::node};
    return kinds;
}

qint64 NodeProcess::memoryBytes() const
{
    return rssKB * 1024;
}

QString NodeProcess::portsText() const
{
    return {};
}

QString NodeProcess::elapsedText() const
{
    return {};
}

std::optional<QString> NodeProcess::hangingReason() const
{
    return std::nullopt;
}

size_t qHash(const NodeProcess &process, size_t seed)
{
    return qHash(process.pid, seed);
}
