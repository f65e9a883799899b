#include "ui/modules/ModuleGroupModel.h"

#include "core/modules/ScanStore.h"
#include "core/modules/ModuleSizeText.h"
#include "ui/support/CoalescedUpdate.h"

ModuleGroupModel::ModuleGroupModel(ScanStore &store, QObject *parent)
    : QAbstractListModel(parent)
    , m_store(store)
    , m_update(new CoalescedUpdate([this] { rebuild(); }, this))
{
    connect(&m_store, &ScanStore::modulesChanged, this, &ModuleGroupModel::changed);
    connect(&m_store, &ScanStore::deletingIdsChanged, this, [this] {
        if (!m_rows.isEmpty())
            emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, 0));
    });
    rebuild();
}

int ModuleGroupModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

bool ModuleGroupModel::holds(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && !index.parent().isValid() && index.row() < m_rows.size()
           && index.column() == 0;
}

Qt::ItemFlags ModuleGroupModel::flags(const QModelIndex &index) const
{
    if (!holds(index))
        return Qt::NoItemFlags;
    if (isHeader(index.row()))
        return Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    // A row being deleted shows greyed and cannot be chosen again.
    if (m_store.deletingIds().contains(module(index.row()).id))
        return Qt::ItemNeverHasChildren;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

const NodeModule &ModuleGroupModel::module(int row) const
{
    const Row &at = m_rows.at(row);
    return m_groups.at(at.group).modules.at(at.member);
}

std::optional<int> ModuleGroupModel::rowOf(const QByteArray &id) const
{
    const auto found = m_rowOfId.constFind(id);
    if (found == m_rowOfId.cend())
        return std::nullopt;
    return *found;
}

QVariant ModuleGroupModel::data(const QModelIndex &index, int role) const
{
    if (!holds(index))
        return {};
    const int row = index.row();
    const bool header = isHeader(row);
    switch (role) {
    case Qt::DisplayRole:
        return header ? group(row).key : module(row).projectName;
    case HeaderRole:
        return header;
    case IdRole:
        if (header)
            return {};
        return module(row).id;
    case Qt::ToolTipRole:
        if (header)
            return {};
        return sizeExplanation(module(row)).value_or(QString());
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
    QList<ModuleGroup> groups = m_store.groups();
    QList<Row> rows;
    QHash<QByteArray, int> rowOfId;
    rowOfId.reserve(m_store.modules().size());
    for (int group = 0; group < groups.size(); ++group) {
        rows.append({group, -1});
        const QList<NodeModule> &members = groups.at(group).modules;
        for (int member = 0; member < members.size(); ++member) {
            rowOfId.insert(members.at(member).id, int(rows.size()));
            rows.append({group, member});
        }
    }

    // The same headers and records in the same places: only totals or details changed.
    bool samePlaces = rows.size() == m_rows.size();
    for (int row = 0; row < rows.size() && samePlaces; ++row) {
        const Row &now = rows.at(row);
        const Row &was = m_rows.at(row);
        samePlaces = (now.member < 0) == (was.member < 0)
                     && (now.member < 0 ? groups.at(now.group).key == m_groups.at(was.group).key
                                        : groups.at(now.group).modules.at(now.member).id
                                              == m_groups.at(was.group).modules.at(was.member).id);
    }
    if (samePlaces) {
        m_groups = std::move(groups);
        if (!m_rows.isEmpty())
            emit dataChanged(index(0), index(int(m_rows.size()) - 1));
    } else {
        beginResetModel();
        m_groups = std::move(groups);
        m_rows = std::move(rows);
        m_rowOfId = std::move(rowOfId);
        endResetModel();
    }
    emit refreshed();
}
