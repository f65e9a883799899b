#include "ui/ports/ProcessTableModel.h"

#include "core/ByteFormat.h"
#include "core/processes/ProcessStore.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Theme.h"
#include "ui/kit/Typography.h"
#include "ui/ports/KindSymbol.h"
#include "ui/support/SortOrders.h"

#include <QApplication>
#include <QPalette>

namespace {

// Past this many separate runs of rows to remove, one reset costs the views less than
// a removal signal per run.
constexpr int s_removalRunsBeforeReset = 32;

} // namespace

ProcessTableModel::ProcessTableModel(ProcessStore &store, QObject *parent)
    : QAbstractTableModel(parent)
    , m_store(store)
    , m_flaggedIcon(Icons::icon(QStringLiteral("exclamationmark.triangle.fill"), Theme::warning()))
    , m_runningIcon(Icons::icon(QStringLiteral("circle.fill"), Theme::nodeGreen()))
{
    for (const auto changed : {&ProcessStore::processesChanged, &ProcessStore::portFilterChanged,
                               &ProcessStore::showOnlyHangingChanged, &ProcessStore::sortOrderChanged})
        connect(&m_store, changed, this, &ProcessTableModel::refresh);
    refresh();
}

int ProcessTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ProcessTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

Qt::ItemFlags ProcessTableModel::flags(const QModelIndex &index) const
{
    if (!holds(index))
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QVariant ProcessTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        switch (section) {
        case StatusColumn:
            return QString();
        case PortsColumn:
            return QStringLiteral("Ports");
        case TypeColumn:
            return QStringLiteral("Type");
        case UptimeColumn:
            return QStringLiteral("Uptime");
        case PidColumn:
            return QStringLiteral("PID");
        case MemoryColumn:
            return QStringLiteral("Memory");
        case CommandColumn:
            return QStringLiteral("Command");
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

QVariant ProcessTableModel::data(const QModelIndex &index, int role) const
{
    if (!holds(index))
        return {};
    const NodeProcess &process = m_rows.at(index.row());
    const int column = index.column();

    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case StatusColumn:
            return QString();
        case PortsColumn:
            return process.portsText();
        case TypeColumn:
            return NodeProcess::rawValue(process.kind);
        case UptimeColumn:
            return process.elapsedText();
        case PidColumn:
            return QString::number(process.pid);
        case MemoryColumn:
            return ByteFormat::string(process.memoryBytes());
        case CommandColumn:
            return NodeProcess::printable(process.command);
        }
        return {};
    case SortRole:
        switch (column) {
        case PortsColumn:
            return process.portsText();
        case TypeColumn:
            return NodeProcess::rawValue(process.kind);
        case UptimeColumn:
            return process.elapsedSeconds;
        case PidColumn:
            return process.pid;
        case MemoryColumn:
            return process.memoryBytes();
        case CommandColumn:
            return process.command;
        }
        return {};
    case PidRole:
        return process.pid;
    case DirectoryRole:
        if (column == CommandColumn && process.cwd)
            return NodeProcess::printable(*process.cwd);
        return {};
    case Qt::DecorationRole:
        if (column == StatusColumn)
            return process.hangingReason() ? m_flaggedIcon : m_runningIcon;
        if (column == TypeColumn)
            return kindIcon(process.kind);
        return {};
    case Qt::ToolTipRole:
        if (column == StatusColumn) {
            if (const std::optional<QString> reason = process.hangingReason())
                return QStringLiteral("Flagged: ") + *reason;
            return QStringLiteral("Running");
        }
        // The cell elides the middle of a long command; the tip shows all of it.
        if (column == CommandColumn)
            return NodeProcess::printable(process.command);
        return {};
    case Qt::FontRole:
        switch (column) {
        case PortsColumn:
            return process.ports.isEmpty() ? fonts().digits : fonts().boldDigits;
        case UptimeColumn:
        case PidColumn:
        case MemoryColumn:
            return fonts().digits;
        }
        return {};
    case Qt::ForegroundRole:
        if (column == UptimeColumn || column == PidColumn) {
            QColor secondary = QApplication::palette().color(QPalette::Text);
            secondary.setAlphaF(0.62);
            return secondary;
        }
        return {};
    case Qt::AccessibleTextRole:
        if (column == StatusColumn)
            return process.hangingReason() ? QStringLiteral("Flagged") : QStringLiteral("Running");
        return {};
    default:
        return {};
    }
}

void ProcessTableModel::sort(int column, Qt::SortOrder order)
{
    const std::optional<ProcessComparator::Key> key = sortKey(column);
    if (!key)
        return;
    m_store.setSortOrder(SortOrders::withFirst(m_store.sortOrder(), ProcessComparator{*key, order}));
}

bool ProcessTableModel::holds(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && !index.parent().isValid() && index.row() < m_rows.size()
           && index.column() < ColumnCount;
}

std::optional<int> ProcessTableModel::rowOf(qint32 pid) const
{
    const auto found = m_rowOfPid.constFind(pid);
    if (found == m_rowOfPid.cend())
        return std::nullopt;
    return *found;
}

std::optional<ProcessComparator::Key> ProcessTableModel::sortKey(int column)
{
    using Key = ProcessComparator::Key;
    switch (column) {
    case PortsColumn:
        return Key::portsText;
    case TypeColumn:
        return Key::kind;
    case UptimeColumn:
        return Key::elapsedSeconds;
    case PidColumn:
        return Key::pid;
    case MemoryColumn:
        return Key::memoryBytes;
    case CommandColumn:
        return Key::command;
    default:
        return std::nullopt;
    }
}

int ProcessTableModel::column(ProcessComparator::Key key)
{
    using Key = ProcessComparator::Key;
    switch (key) {
    case Key::pid:
        return PidColumn;
    case Key::kind:
        return TypeColumn;
    case Key::command:
        return CommandColumn;
    case Key::portsText:
        return PortsColumn;
    case Key::memoryBytes:
        return MemoryColumn;
    case Key::elapsedSeconds:
        return UptimeColumn;
    }
    return CommandColumn;
}

int ProcessTableModel::width(int column)
{
    switch (column) {
    case StatusColumn:
        return 24;
    case PortsColumn:
        return 90;
    case TypeColumn:
        return 110;
    case UptimeColumn:
        return 80;
    case PidColumn:
        return 60;
    case MemoryColumn:
        return 80;
    default:
        return 0;
    }
}

const ProcessTableModel::Fonts &ProcessTableModel::fonts() const
{
    // Measuring digit widths is too slow for every cell painted; redone when the
    // application font changes.
    const QFont application = QApplication::font();
    if (!m_fonts || m_fonts->application != application) {
        m_fonts = Fonts{application, Typography::monospacedDigits(Typography::font(TextStyle::body)),
                        Typography::monospacedDigits(Typography::font(TextStyle::body, QFont::DemiBold))};
    }
    return *m_fonts;
}

QIcon ProcessTableModel::kindIcon(NodeProcess::Kind kind) const
{
    auto found = m_kindIcons.find(int(kind));
    if (found == m_kindIcons.end())
        found = m_kindIcons.insert(int(kind), Icons::icon(kindSymbol(kind), Tint::Style::primary));
    return *found;
}

void ProcessTableModel::rebuildIndex()
{
    m_rowOfPid.clear();
    m_rowOfPid.reserve(m_rows.size());
    for (int row = 0; row < m_rows.size(); ++row)
        m_rowOfPid.insert(m_rows.at(row).id, row);
}

void ProcessTableModel::removeGone(const QSet<qint32> &wanted)
{
    QList<std::pair<int, int>> runs; // first and last row, bottom run first
    for (int row = int(m_rows.size()) - 1; row >= 0; --row) {
        if (wanted.contains(m_rows.at(row).id))
            continue;
        const int last = row;
        while (row > 0 && !wanted.contains(m_rows.at(row - 1).id))
            --row;
        runs.append({row, last});
    }
    if (runs.size() > s_removalRunsBeforeReset) {
        beginResetModel();
        m_rows.removeIf([&wanted](const NodeProcess &process) { return !wanted.contains(process.id); });
        rebuildIndex();
        endResetModel();
        return;
    }
    for (const auto &[first, last] : runs) {
        beginRemoveRows({}, first, last);
        m_rows.remove(first, last - first + 1);
        endRemoveRows();
    }
    if (!runs.isEmpty())
        rebuildIndex();
}

void ProcessTableModel::refresh()
{
    const QList<NodeProcess> target = m_store.visible();
    m_refreshing = true;

    QSet<qint32> wanted;
    wanted.reserve(target.size());
    for (const NodeProcess &process : target)
        wanted.insert(process.id);
    removeGone(wanted);

    // Newcomers go in at the end; the layout change below moves them into place.
    QList<NodeProcess> added;
    for (const NodeProcess &process : target) {
        if (!m_rowOfPid.contains(process.id))
            added.append(process);
    }
    if (!added.isEmpty()) {
        beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + added.size() - 1));
        m_rows.append(added);
        rebuildIndex();
        endInsertRows();
    }

    bool sameOrder = true;
    for (int row = 0; row < target.size() && sameOrder; ++row)
        sameOrder = m_rows.at(row).id == target.at(row).id;

    // Rows whose record changed, by pid, found before the rows are replaced.
    QSet<qint32> changed;
    for (const NodeProcess &process : target) {
        if (!(m_rows.at(m_rowOfPid.value(process.id)) == process))
            changed.insert(process.id);
    }

    if (!sameOrder) {
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        after.reserve(before.size());
        QHash<qint32, int> newRow;
        newRow.reserve(target.size());
        for (int row = 0; row < target.size(); ++row)
            newRow.insert(target.at(row).id, row);
        for (const QModelIndex &index : before)
            after.append(createIndex(newRow.value(m_rows.at(index.row()).id), index.column()));
        m_rows = target;
        rebuildIndex();
        changePersistentIndexList(before, after);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    } else {
        m_rows = target;
    }

    // Contiguous runs of changed rows, one dataChanged each.
    for (int row = 0; row < m_rows.size(); ++row) {
        if (!changed.contains(m_rows.at(row).id))
            continue;
        const int first = row;
        while (row + 1 < m_rows.size() && changed.contains(m_rows.at(row + 1).id))
            ++row;
        emit dataChanged(index(first, 0), index(row, ColumnCount - 1));
    }

    m_refreshing = false;
    emit refreshed();
}
