#pragma once

#include "ui/support/SortOrders.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QSet>

#include <numeric>
#include <optional>
#include <type_traits>
#include <utility>

// The untyped half of KeyedListModel: the columns with their header titles and widths,
// the refresh flag, and the signals for runs of changed rows. GUI thread.
class KeyedListModelBase : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Role {
        // The raw value a column sorts by (number or text); nothing for one that does not sort.
        SortRole = Qt::UserRole + 1,
        // The record's id.
        IdRole,
        // The first role a subclass may use for its own.
        FirstOwnRole,
    };

    struct Column
    {
        QString title;
        // Fixed width in pixels; 0 for a column that takes a share of the remaining width.
        int width = 0;
    };

    [[nodiscard]] int columnCount(const QModelIndex &parent = {}) const override;
    // Left-aligned titles; a first click on a column sorts it ascending.
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;
    // Enabled and selectable, without children; a greyed row (isGreyed) is neither.
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex &index) const override;
    [[nodiscard]] QList<int> columnWidths() const;
    // True while the rows are being brought in line with a new list (sync).
    [[nodiscard]] bool isRefreshing() const { return m_refreshing; }

signals:
    // The rows match the list sync was given.
    void refreshed();

protected:
    KeyedListModelBase(QList<Column> columns, QObject *parent);

    // A row shown greyed that cannot be chosen, such as a record being deleted; none here.
    [[nodiscard]] virtual bool isGreyed(int row) const;
    // An index of this model, of an existing row and column.
    [[nodiscard]] bool holds(const QModelIndex &index) const;
    // Rows past this many separate runs go in, or out, in one run and one layout change:
    // cheaper for the views than a signal per run.
    static constexpr qsizetype s_runsBeforeOneMove = 32;
    // One dataChanged over all columns of each run of rows (ascending).
    void emitChangedRuns(const QList<int> &rows);
    // Every row's content may have changed.
    void emitAllChanged();

    QList<Column> m_columns;
    bool m_refreshing = false;
};

// A table (or list) model over a store's ordered list of records, one row per record,
// identified by the record's id. sync() follows a new version of the list with the least
// the views need to hear: removed and inserted runs of rows, one layout change (persistent
// indexes moved, so the selection and the scroll position hold) when the order changes,
// and dataChanged runs for records that changed. Subclasses give the columns. GUI thread.
template <typename Record, typename Key = std::remove_cvref_t<decltype(std::declval<Record>().id)>>
class KeyedListModel : public KeyedListModelBase
{
public:
    [[nodiscard]] int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_records.size());
    }

    [[nodiscard]] QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const final
    {
        if (!holds(index))
            return {};
        const Record &record = this->record(index.row());
        return role == IdRole ? QVariant::fromValue(record.id) : cellData(record, index.column(), role);
    }

    [[nodiscard]] QList<Record> rows() const
    {
        if (m_order.isEmpty())
            return m_records;
        QList<Record> rows;
        rows.reserve(m_order.size());
        for (const int position : m_order)
            rows.append(m_records.at(position));
        return rows;
    }
    [[nodiscard]] const Record &record(int row) const
    {
        return m_order.isEmpty() ? m_records.at(row) : m_records.at(m_order.at(row));
    }
    [[nodiscard]] std::optional<int> rowOf(const Key &id) const
    {
        // Rebuilt on demand: a record streaming in shifts the rows below it, and keeping the
        // index current would cost a pass over every row per record.
        if (m_rowOfIdStale) {
            m_rowOfId.clear();
            m_rowOfId.reserve(m_records.size());
            for (int row = 0; row < m_records.size(); ++row)
                m_rowOfId.insert(record(row).id, row);
            m_rowOfIdStale = false;
        }
        const auto found = m_rowOfId.constFind(id);
        if (found == m_rowOfId.cend())
            return std::nullopt;
        return *found;
    }

protected:
    using KeyedListModelBase::KeyedListModelBase;

    // What the row of record shows in column for role (IdRole aside).
    [[nodiscard]] virtual QVariant cellData(const Record &record, int column, int role) const = 0;

    // Makes the rows target, then emits refreshed.
    void sync(const QList<Record> &target)
    {
        m_refreshing = true;
        // The rows in their order, for the runs below to work on.
        m_records = rows();
        m_order.clear();
        QHash<Key, int> targetRow;
        targetRow.reserve(target.size());
        for (int row = 0; row < target.size(); ++row)
            targetRow.insert(target.at(row).id, row);

        removeAllBut(targetRow);
        // Records kept whose content changed, told after the rows are in place.
        QSet<Key> changed;
        bool keptInOrder = true;
        int previous = -1;
        for (const Record &record : std::as_const(m_records)) {
            const int at = targetRow.value(record.id);
            keptInOrder = keptInOrder && at > previous;
            previous = at;
            if (!(target.at(at) == record))
                changed.insert(record.id);
        }
        insertNewcomers(target, keptInOrder);
        if (!sameIds(target))
            reorder(target);

        m_records = target;
        m_rowOfIdStale = true;
        QList<int> changedRows;
        for (int row = 0; row < m_records.size() && changedRows.size() < changed.size(); ++row) {
            if (changed.contains(m_records.at(row).id))
                changedRows.append(row);
        }
        emitChangedRuns(changedRows);
        m_refreshing = false;
        emit refreshed();
    }

    // Inserts record after the rows that less does not put after it; for a record that
    // streams in, where sync would compare the whole list.
    template <typename Less>
    void insertSorted(const Record &record, Less less)
    {
        int first = 0;
        int last = rowCount();
        while (first < last) {
            const int middle = first + (last - first) / 2;
            if (less(record, this->record(middle)))
                last = middle;
            else
                first = middle + 1;
        }
        if (m_order.isEmpty()) {
            m_order.resize(m_records.size());
            std::iota(m_order.begin(), m_order.end(), 0);
        }
        beginInsertRows({}, first, first);
        m_records.append(record);
        m_order.insert(first, int(m_records.size() - 1));
        m_rowOfIdStale = true;
        endInsertRows();
    }

private:
    // Runs of consecutive rows, bottom run first, as first and last row.
    template <typename Matches>
    [[nodiscard]] QList<std::pair<int, int>> runsWhere(const QList<Record> &rows, Matches matches) const
    {
        QList<std::pair<int, int>> runs;
        for (int row = int(rows.size()) - 1; row >= 0; --row) {
            if (!matches(rows.at(row)))
                continue;
            const int last = row;
            while (row > 0 && matches(rows.at(row - 1)))
                --row;
            runs.append({row, last});
        }
        return runs;
    }

    void removeAllBut(const QHash<Key, int> &targetRow)
    {
        const auto gone = [&targetRow](const Record &record) { return !targetRow.contains(record.id); };
        const QList<std::pair<int, int>> runs = runsWhere(m_records, gone);
        if (runs.isEmpty())
            return;
        if (runs.size() > s_runsBeforeOneMove) {
            // The rows that go move to the bottom first, so that they go in one run.
            QList<Record> order;
            order.reserve(m_records.size());
            std::copy_if(m_records.cbegin(), m_records.cend(), std::back_inserter(order),
                         [&gone](const Record &record) { return !gone(record); });
            const int kept = int(order.size());
            std::copy_if(m_records.cbegin(), m_records.cend(), std::back_inserter(order), gone);
            reorder(order);
            beginRemoveRows({}, kept, int(m_records.size()) - 1);
            m_records.resize(kept);
            m_rowOfIdStale = true;
            endRemoveRows();
            return;
        }
        for (const auto &[first, last] : runs) {
            beginRemoveRows({}, first, last);
            m_records.remove(first, last - first + 1);
            m_rowOfIdStale = true;
            endRemoveRows();
        }
    }

    // The records of target not among the rows: at their places when the rows kept are in
    // target's order already and they come in few runs, else at the bottom, for the layout
    // change that follows to put in place.
    void insertNewcomers(const QList<Record> &target, bool keptInOrder)
    {
        if (m_records.size() == target.size())
            return;
        QSet<Key> present;
        present.reserve(m_records.size());
        for (const Record &record : std::as_const(m_records))
            present.insert(record.id);
        const auto isNew = [&present](const Record &record) { return !present.contains(record.id); };
        QList<std::pair<int, int>> runs = runsWhere(target, isNew);
        if (keptInOrder && runs.size() <= s_runsBeforeOneMove) {
            // Top run first: the rows above each run are then exactly target's.
            std::reverse(runs.begin(), runs.end());
            for (const auto &[first, last] : runs) {
                beginInsertRows({}, first, last);
                m_records.insert(first, last - first + 1, Record());
                std::copy(target.cbegin() + first, target.cbegin() + last + 1, m_records.begin() + first);
                m_rowOfIdStale = true;
                endInsertRows();
            }
            return;
        }
        QList<Record> added;
        std::copy_if(target.cbegin(), target.cend(), std::back_inserter(added), isNew);
        beginInsertRows({}, int(m_records.size()), int(m_records.size() + added.size() - 1));
        m_records.append(added);
        m_rowOfIdStale = true;
        endInsertRows();
    }

    [[nodiscard]] bool sameIds(const QList<Record> &target) const
    {
        for (int row = 0; row < target.size(); ++row) {
            if (!(m_records.at(row).id == target.at(row).id))
                return false;
        }
        return true;
    }

    // order holds the rows' records in a new order: one layout change.
    void reorder(const QList<Record> &order)
    {
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        QHash<Key, int> newRow;
        newRow.reserve(order.size());
        for (int row = 0; row < order.size(); ++row)
            newRow.insert(order.at(row).id, row);
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex &index : before)
            after.append(createIndex(newRow.value(m_records.at(index.row()).id), index.column()));
        m_records = order;
        m_rowOfIdStale = true;
        changePersistentIndexList(before, after);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

    // The records, and unless it is empty the rows as positions among them: a record that
    // streams in is appended, and only its position moves the rows below it.
    QList<Record> m_records;
    QList<int> m_order;
    mutable QHash<Key, int> m_rowOfId;
    mutable bool m_rowOfIdStale = true;
};

// A KeyedListModel of a store's list in the store's sort order, a list of Comparator (most
// significant first), whose columns sort by comparator keys. GUI thread.
template <typename Record, typename Store, typename Comparator>
class StoreSortedModel : public KeyedListModel<Record>
{
public:
    using SortKey = typename Comparator::Key;

    // Puts column's comparator, in order, first in the store's sort order; the rows follow
    // the store. Does nothing for a column that does not sort.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override
    {
        if (const std::optional<SortKey> key = sortKey(column))
            m_store.setSortOrder(SortOrders::withFirst(m_store.sortOrder(), Comparator{*key, order}));
    }
    // The comparator key column sorts by; nothing for a column that does not sort.
    [[nodiscard]] std::optional<SortKey> sortKey(int column) const { return m_sortKeys.value(column); }
    // The column that sorts by key; the last one when none does.
    [[nodiscard]] int column(SortKey key) const
    {
        const qsizetype found = m_sortKeys.indexOf(key);
        return int(found < 0 ? m_sortKeys.size() - 1 : found);
    }

protected:
    // sortKeys: the key of each column in order, nothing for a column that does not sort.
    StoreSortedModel(Store &store, QList<KeyedListModelBase::Column> columns, QList<std::optional<SortKey>> sortKeys,
                     QObject *parent)
        : KeyedListModel<Record>(std::move(columns), parent)
        , m_store(store)
        , m_sortKeys(std::move(sortKeys))
    {
    }

    Store &m_store;

private:
    QList<std::optional<SortKey>> m_sortKeys;
};
