#include "core/modules/NodeModulesScanner.h"

// Placeholder until the module scanner lands.
namespace NodeModulesScanner {

QList<QByteArray> findParentDirs(const QByteArray &, const CancelToken &)
{
    return {};
}

qint64 directorySize(const QByteArray &, const CancelToken &)
{
    return 0;
}

std::optional<NodeModule> measure(const QByteArray &, const QByteArray &, const CancelToken &)
{
    return std::nullopt;
}

QString groupKey(const QByteArray &, const QByteArray &)
{
    return {};
}

QByteArray standardise(const QByteArray &path)
{
    return path;
}

QString rawValue(DeletionMode mode)
{
    return mode == DeletionMode::trash ? QStringLiteral("trash") : QStringLiteral("permanent");
}

std::optional<QString> deletionRefusal(const QByteArray &, const std::optional<QByteArray> &)
{
    return QStringLiteral("not a node_modules directory");
}

DeletionResult deleteModules(const QList<NodeModule> &, DeletionMode, const std::optional<QByteArray> &)
{
    return {};
}

} // namespace NodeModulesScanner
