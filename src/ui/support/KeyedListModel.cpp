#include "ui/support/KeyedListModel.h"

KeyedListModelBase::KeyedListModelBase(QList<Column> columns, QObject *parent)
    : QAbstractTableModel(parent)
    , m_columns(std::move(columns))
{
}

int KeyedListModelBase::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant KeyedListModelBase::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_columns.at(section).title;
    case Qt::InitialSortOrderRole:
        return int(Qt::AscendingOrder);
    case Qt::TextAlignmentRole:
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

Qt::ItemFlags KeyedListModelBase::flags(const QModelIndex &index) const
{
    if (!holds(index))
        return Qt::NoItemFlags;
    if (isGreyed(index.row()))
        return Qt::ItemNeverHasChildren;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

bool KeyedListModelBase::isGreyed(int) const
{
    return false;
}

QList<int> KeyedListModelBase::columnWidths() const
{
    QList<int> widths;
    for (const Column &column : m_columns)
        widths.append(column.width);
    return widths;
}

bool KeyedListModelBase::holds(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && !index.parent().isValid() && index.row() < rowCount()
        && index.column() < m_columns.size();
}

void KeyedListModelBase::emitChangedRuns(const QList<int> &rows)
{
    const int lastColumn = int(m_columns.size()) - 1;
    for (qsizetype at = 0; at < rows.size(); ++at) {
        const int first = rows.at(at);
        while (at + 1 < rows.size() && rows.at(at + 1) == rows.at(at) + 1)
            ++at;
        emit dataChanged(index(first, 0), index(rows.at(at), lastColumn));
    }
}

void KeyedListModelBase::emitAllChanged()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, int(m_columns.size()) - 1));
}
