#include "core/modules/NodeModule.h"

#include <QFile>

// Placeholder until the module records land.

qint64 NodeModule::reclaimableBytes() const
{
    return isSymlink ? 0 : sizeBytes;
}

std::optional<QString> NodeModule::symlinkExplanation() const
{
    return std::nullopt;
}

size_t qHash(const NodeModule &module, size_t seed)
{
    return qHash(module.id, seed);
}

QList<ModuleGroup> buildGroups(const QList<NodeModule> &)
{
    return {};
}

QString pathText(const QByteArray &path)
{
    return QString::fromUtf8(path);
}
