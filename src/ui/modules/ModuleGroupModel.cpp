#include "ui/modules/ModuleGroupModel.h"

#include "core/modules/ModuleSizeText.h"
#include "core/modules/ScanStore.h"
#include "ui/support/CoalescedUpdate.h"

ModuleGroupModel::ModuleGroupModel(ScanStore &store, QObject *parent)
    : KeyedListModel({{QString(), 0}}, parent)
    , m_store(store)
    , m_update(new CoalescedUpdate([this] { rebuild(); }, this))
{
    connect(&m_store, &ScanStore::modulesChanged, this, &ModuleGroupModel::changed);
    connect(&m_store, &ScanStore::deletingIdsChanged, this, &ModuleGroupModel::emitAllChanged);
    rebuild();
}

Qt::ItemFlags ModuleGroupModel::flags(const QModelIndex &index) const
{
    // Headers show as they are and cannot be chosen.
    if (holds(index) && isHeader(index.row()))
        return Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    return KeyedListModel::flags(index);
}

bool ModuleGroupModel::isGreyed(int row) const
{
    return m_store.deletingIds().contains(record(row).id);
}

QVariant ModuleGroupModel::cellData(const ModuleGroupRow &row, int, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
        return row.module ? row.module->projectName : row.groupKey;
    case HeaderRole:
        return !row.module;
    case Qt::ToolTipRole:
        if (!row.module)
            return {};
        return sizeExplanation(*row.module).value_or(QString());
    default:
        return {};
    }
}

void ModuleGroupModel::setLive(bool live)
{
    m_live = live;
    if (m_live && m_stale)
        rebuild();
}

void ModuleGroupModel::flush()
{
    m_update->flush();
}

void ModuleGroupModel::changed()
{
    m_stale = true;
    if (!m_live)
        return;
    m_update->request(m_store.isScanning() ? s_scanningInterval : std::chrono::milliseconds(0));
}

void ModuleGroupModel::rebuild()
{
    m_stale = false;
    const QList<ModuleGroup> groups = m_store.groups();
    QList<ModuleGroupRow> rows;
    rows.reserve(m_store.modules().size() + groups.size());
    for (const ModuleGroup &group : groups) {
        rows.append({QByteArray(1, '\0') + group.key.toUtf8(), group.key, group.modules.size(), group.totalBytes, {}});
        for (const NodeModule &module : group.modules)
            rows.append({module.id, group.key, 0, 0, module});
    }
    sync(rows);
}
