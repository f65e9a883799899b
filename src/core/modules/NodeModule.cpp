#include "core/modules/NodeModule.h"

#include "core/ByteFormat.h"

#include <QHash>

#include <algorithm>

const std::vector<SharedInode> &SharedInodes::list() const
{
    static const std::vector<SharedInode> s_none;
    return items ? *items : s_none;
}

qint64 NodeModule::reclaimableBytes() const
{
    return isSymlink ? 0 : sizeBytes - sharedBytes;
}

std::optional<QString> NodeModule::symlinkExplanation() const
{
    if (!isSymlink)
        return std::nullopt;
    if (!symlinkTarget)
        return QStringLiteral("node_modules is a broken symbolic link. Deleting removes the link only.");
    if (!isSizeMeasured())
        return QStringLiteral("node_modules is a symbolic link to ") + pathText(*symlinkTarget)
            + QStringLiteral(", which is not a node_modules folder, so its size was not measured. ")
            + QStringLiteral("Deleting removes the link only — everything at the target stays on disk.");
    return QStringLiteral("node_modules is a symbolic link to ") + pathText(*symlinkTarget)
        + QStringLiteral(". ") + QStringLiteral("Deleting removes the link only — ")
        + ByteFormat::string(sizeBytes) + QStringLiteral(" stays on disk at the target.");
}

size_t qHash(const NodeModule &module, size_t seed)
{
    return qHashMulti(seed, module.id, module.projectName, module.parentPath, module.modulePath,
                      module.sizeBytes, module.lastAccessed, module.groupKey, module.isSymlink,
                      module.symlinkTarget.has_value(), module.symlinkTarget.value_or(QByteArray()),
                      module.sharedBytes);
}

QList<ModuleGroup> buildGroups(const QList<NodeModule> &modules, const QHash<QString, qint64> &sharedWithin)
{
    QList<ModuleGroup> groups;
    QHash<QString, qsizetype> indexOfKey;
    for (const NodeModule &module : modules) {
        auto found = indexOfKey.constFind(module.groupKey);
        if (found == indexOfKey.cend()) {
            found = indexOfKey.insert(module.groupKey, groups.size());
            groups.append(ModuleGroup {module.groupKey, {}, sharedWithin.value(module.groupKey)});
        }
        ModuleGroup &group = groups[*found];
        group.modules.append(module);
        group.totalBytes += module.reclaimableBytes();
    }
    for (ModuleGroup &group : groups) {
        std::stable_sort(group.modules.begin(), group.modules.end(),
                         [](const NodeModule &a, const NodeModule &b) { return a.sizeBytes > b.sizeBytes; });
    }
    std::stable_sort(groups.begin(), groups.end(),
                     [](const ModuleGroup &a, const ModuleGroup &b) { return a.totalBytes > b.totalBytes; });
    return groups;
}
