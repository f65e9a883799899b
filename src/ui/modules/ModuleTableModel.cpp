#include "ui/modules/ModuleTableModel.h"

#include "core/DateFormat.h"
#include "core/modules/ScanStore.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Theme.h"
#include "ui/kit/Tint.h"
#include "ui/kit/Typography.h"
#include "core/modules/ModuleSizeText.h"
#include "ui/support/SortOrders.h"

#include <QApplication>

#include <algorithm>

namespace {

// Past this many separate runs of rows to remove, one reset costs the views less than a
// removal signal per run.
constexpr int s_removalRunsBeforeReset = 32;

} // namespace

ModuleTableModel::ModuleTableModel(ScanStore &store, QObject *parent)
    : QAbstractTableModel(parent)
    , m_store(store)
    , m_sortOrder(store.sortOrder())
    , m_linkIcon(Icons::icon(QStringLiteral("link"), Theme::warning()))
{
    connect(&m_store, &ScanStore::moduleAppended, this, &ModuleTableModel::append);
    connect(&m_store, &ScanStore::modulesChanged, this, &ModuleTableModel::refresh);
    connect(&m_store, &ScanStore::sortOrderChanged, this, &ModuleTableModel::resort);
    connect(&m_store, &ScanStore::deletingIdsChanged, this, [this] {
        if (!m_order.isEmpty())
            emit dataChanged(index(0, 0), index(int(m_order.size()) - 1, ColumnCount - 1));
    });
    refresh();
}

int ModuleTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_order.size());
}

int ModuleTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

Qt::ItemFlags ModuleTableModel::flags(const QModelIndex &index) const
{
    if (!holds(index))
        return Qt::NoItemFlags;
    // A row being deleted shows greyed and cannot be chosen again.
    if (m_store.deletingIds().contains(record(index.row()).id))
        return Qt::ItemNeverHasChildren;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

bool ModuleTableModel::holds(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && !index.parent().isValid() && index.row() < m_order.size()
           && index.column() < ColumnCount;
}

QVariant ModuleTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        switch (section) {
        case ProjectColumn:
            return QStringLiteral("Project");
        case PathColumn:
            return QStringLiteral("Path");
        case SizeColumn:
            return QStringLiteral("Size");
        case LastAccessedColumn:
            return QStringLiteral("Last Accessed");
        }
        return {};
    case Qt::InitialSortOrderRole:
        return int(Qt::AscendingOrder);
    case Qt::TextAlignmentRole:
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant ModuleTableModel::data(const QModelIndex &index, int role) const
{
    if (!holds(index))
        return {};
    const NodeModule &module = record(index.row());
    const int column = index.column();

    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case ProjectColumn:
            return module.projectName;
        case PathColumn:
            return pathText(module.parentPath);
        case SizeColumn:
            return sizeText(module);
        case LastAccessedColumn:
            return DateFormat::string(module.lastAccessed);
        }
        return {};
    case SortRole:
        switch (column) {
        case ProjectColumn:
            return module.projectName;
        case PathColumn:
            return module.parentPath;
        case SizeColumn:
            return module.reclaimableBytes();
        case LastAccessedColumn:
            return module.lastAccessed;
        }
        return {};
    case IdRole:
        return module.id;
    case SymlinkExplanationRole:
        if (const std::optional<QString> explanation = module.symlinkExplanation())
            return *explanation;
        return {};
    case Qt::DecorationRole:
        if (column == ProjectColumn && module.isSymlink)
            return m_linkIcon;
        return {};
    case Qt::ToolTipRole:
        // The project's link symbol carries the same text; the delegate shows it over the
        // symbol only.
        if (column == SizeColumn)
            return sizeExplanation(module).value_or(QString());
        if (column == ProjectColumn)
            return module.symlinkExplanation().value_or(QString());
        return {};
    case Qt::FontRole:
        switch (column) {
        case ProjectColumn:
            return fonts().project;
        case SizeColumn:
        case LastAccessedColumn:
            return fonts().digits;
        }
        return {};
    case Qt::ForegroundRole:
        if (column == SizeColumn && module.isSymlink)
            return Theme::warning();
        if (column == PathColumn || column == LastAccessedColumn)
            return Tint(Tint::Style::secondary).resolve(QApplication::palette());
        return {};
    default:
        return {};
    }
}

const ModuleTableModel::Fonts &ModuleTableModel::fonts() const
{
    // Measuring digit widths is too slow for every cell painted; redone when the
    // application font changes.
    const QFont application = QApplication::font();
    if (!m_fonts || m_fonts->application != application) {
        m_fonts = Fonts{application, Typography::font(TextStyle::body, QFont::Medium),
                        Typography::monospacedDigits(Typography::font(TextStyle::body))};
    }
    return *m_fonts;
}

void ModuleTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    m_store.setSortOrder(SortOrders::withFirst(m_store.sortOrder(), ModuleComparator{sortKey(column), order}));
}

ModuleComparator::Key ModuleTableModel::sortKey(int column)
{
    using Key = ModuleComparator::Key;
    switch (column) {
    case ProjectColumn:
        return Key::projectName;
    case PathColumn:
        return Key::parentPath;
    case LastAccessedColumn:
        return Key::lastAccessed;
    default:
        return Key::reclaimableBytes;
    }
}

int ModuleTableModel::column(ModuleComparator::Key key)
{
    using Key = ModuleComparator::Key;
    switch (key) {
    case Key::projectName:
        return ProjectColumn;
    case Key::parentPath:
        return PathColumn;
    case Key::reclaimableBytes:
        return SizeColumn;
    case Key::lastAccessed:
        return LastAccessedColumn;
    }
    return SizeColumn;
}

int ModuleTableModel::width(int column)
{
    switch (column) {
    case SizeColumn:
        return 110;
    case LastAccessedColumn:
        return 150;
    default:
        return 0;
    }
}

std::optional<int> ModuleTableModel::rowOf(const QByteArray &id) const
{
    if (m_rowOfIdStale) {
        m_rowOfId.clear();
        m_rowOfId.reserve(m_order.size());
        for (int row = 0; row < m_order.size(); ++row)
            m_rowOfId.insert(record(row).id, row);
        m_rowOfIdStale = false;
    }
    const auto found = m_rowOfId.constFind(id);
    if (found == m_rowOfId.cend())
        return std::nullopt;
    return *found;
}

// Records that compare equal keep their arrival order, so the order is total.
bool ModuleTableModel::before(int a, int b) const
{
    for (const ModuleComparator &comparator : m_sortOrder) {
        if (const int result = comparator.compare(m_records.at(a), m_records.at(b)); result != 0)
            return result < 0;
    }
    return a < b;
}

void ModuleTableModel::append(const NodeModule &module)
{
    // The store's modulesChanged that follows is this append; it needs no refresh.
    m_appended = true;
    m_records.append(module);
    const int position = int(m_records.size() - 1);
    const auto at = std::upper_bound(m_order.cbegin(), m_order.cend(), position,
                                     [this](int a, int b) { return before(a, b); });
    const int row = int(at - m_order.cbegin());
    beginInsertRows({}, row, row);
    m_order.insert(row, position);
    m_rowOfIdStale = true;
    endInsertRows();
}

void ModuleTableModel::refresh()
{
    if (m_appended) {
        m_appended = false;
        return;
    }
    const QList<NodeModule> &target = m_store.modules();
    m_refreshing = true;

    QHash<QByteArray, int> positionOf;
    positionOf.reserve(target.size());
    for (int position = 0; position < target.size(); ++position)
        positionOf.insert(target.at(position).id, position);

    // Anything but records taken away, the rest unchanged and in the same order, is a new
    // list: one reset.
    bool onlyRemovals = true;
    qsizetype kept = 0;
    int previous = -1;
    for (const NodeModule &module : std::as_const(m_records)) {
        const auto found = positionOf.constFind(module.id);
        if (found == positionOf.cend())
            continue;
        if (*found <= previous || !(target.at(*found) == module)) {
            onlyRemovals = false;
            break;
        }
        previous = *found;
        ++kept;
    }
    onlyRemovals = onlyRemovals && kept == target.size();

    QList<std::pair<int, int>> runs; // first and last row, bottom run first
    if (onlyRemovals) {
        for (int row = int(m_order.size()) - 1; row >= 0; --row) {
            if (positionOf.contains(record(row).id))
                continue;
            const int last = row;
            while (row > 0 && !positionOf.contains(record(row - 1).id))
                --row;
            runs.append({row, last});
        }
    }

    if (!onlyRemovals || runs.size() > s_removalRunsBeforeReset) {
        beginResetModel();
        m_records = target;
        m_order.resize(m_records.size());
        for (int position = 0; position < m_order.size(); ++position)
            m_order[position] = position;
        std::sort(m_order.begin(), m_order.end(), [this](int a, int b) { return before(a, b); });
        m_rowOfIdStale = true;
        endResetModel();
    } else {
        for (const auto &[first, last] : runs) {
            beginRemoveRows({}, first, last);
            m_order.remove(first, last - first + 1);
            m_rowOfIdStale = true;
            endRemoveRows();
        }
        // The rows left point at the same records, now at their places in the store's list.
        const QList<NodeModule> previousRecords = m_records;
        for (int &position : m_order)
            position = positionOf.value(previousRecords.at(position).id);
        m_records = target;
    }

    m_refreshing = false;
    emit refreshed();
}

void ModuleTableModel::resort()
{
    m_sortOrder = m_store.sortOrder();
    QList<int> order = m_order;
    std::sort(order.begin(), order.end(), [this](int a, int b) { return before(a, b); });
    if (std::ranges::equal(order, m_order))
        return;

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<int> rowOfPosition(m_records.size());
    for (int row = 0; row < order.size(); ++row)
        rowOfPosition[order.at(row)] = row;
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &index : from)
        to.append(createIndex(rowOfPosition.at(m_order.at(index.row())), index.column()));
    m_order = order;
    m_rowOfIdStale = true;
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
