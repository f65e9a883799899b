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
    return QStringLiteral("node_modules is a symbolic link to ") + pathText(*symlinkTarget) + QStringLiteral(". ")
        + QStringLiteral("Deleting removes the link only — ") + ByteFormat::string(sizeBytes)
        + QStringLiteral(" stays on disk at the target.");
}

size_t qHash(const NodeModule &module, size_t seed)
{
    return qHashMulti(seed, module.id, module.projectName, module.parentPath, module.modulePath, module.sizeBytes,
                      module.lastAccessed, module.groupKey, module.isSymlink, module.symlinkTarget.has_value(),
                      module.symlinkTarget.value_or(QByteArray()), module.sharedBytes);
}

namespace {

bool largerFirst(const NodeModule &a, const NodeModule &b)
{
    return a.sizeBytes > b.sizeBytes;
}

} // namespace

qint32 ModuleGroups::add(const NodeModule &module)
{
    auto found = m_index.constFind(module.groupKey);
    if (found == m_index.cend()) {
        found = m_index.insert(module.groupKey, qint32(m_groups.size()));
        m_groups.append(ModuleGroup{module.groupKey, {}, 0});
        m_shared.append(0);
        m_unsorted.append(false);
    }
    ModuleGroup &group = m_groups[*found];
    group.modules.append(module);
    group.totalBytes += module.reclaimableBytes();
    m_unsorted[*found] = true;
    return *found;
}

void ModuleGroups::remove(const NodeModule &module)
{
    const auto found = m_index.constFind(module.groupKey);
    if (found == m_index.cend())
        return;
    ModuleGroup &group = m_groups[*found];
    const auto at = std::find_if(group.modules.cbegin(), group.modules.cend(),
                                 [&module](const NodeModule &member) { return member.id == module.id; });
    if (at == group.modules.cend())
        return;
    group.totalBytes -= at->reclaimableBytes();
    group.modules.erase(at);
}

void ModuleGroups::clear()
{
    m_index.clear();
    m_groups.clear();
    m_shared.clear();
    m_unsorted.clear();
}

QList<ModuleGroup> ModuleGroups::sorted() const
{
    QList<ModuleGroup> groups;
    groups.reserve(m_groups.size());
    for (qsizetype index = 0; index < m_groups.size(); ++index) {
        if (m_groups.at(index).modules.isEmpty())
            continue;
        if (m_unsorted.at(index)) {
            QList<NodeModule> &modules = m_groups[index].modules;
            std::stable_sort(modules.begin(), modules.end(), largerFirst);
            m_unsorted[index] = false;
        }
        groups.append(m_groups.at(index));
        groups.last().totalBytes += m_shared.at(index);
    }
    std::stable_sort(groups.begin(), groups.end(),
                     [](const ModuleGroup &a, const ModuleGroup &b) { return a.totalBytes > b.totalBytes; });
    return groups;
}
