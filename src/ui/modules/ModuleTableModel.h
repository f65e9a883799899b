#pragma once

#include "core/modules/ModuleSortOrder.h"
#include "core/modules/NodeModule.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QHash>
#include <QIcon>

#include <optional>

class ScanStore;

// The rows of the flat node_modules table: the store's records in the store's sort order
// (ties keep their arrival order), one row per record, identified by its id. It follows
// the store by itself: a record that streams in during a scan is inserted at its sorted
// place, records that go are removed, and a new order is one layout change, so the
// selection and the scroll position hold. Nothing is rebuilt per record. GUI thread.
class ModuleTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { ProjectColumn, PathColumn, SizeColumn, LastAccessedColumn, ColumnCount };
    enum Role {
        // The raw value a column sorts by: the name, the path bytes, the reclaimable size
        // or the access date.
        SortRole = Qt::UserRole + 1,
        IdRole,
        // The symbolic-link explanation of the row, or nothing for a real folder.
        SymlinkExplanationRole,
    };

    explicit ModuleTableModel(ScanStore &store, QObject *parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Puts column's comparator, in order, first in the store's sort order; the rows follow.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    [[nodiscard]] const NodeModule &record(int row) const { return m_records.at(m_order.at(row)); }
    [[nodiscard]] std::optional<int> rowOf(const QByteArray &id) const;
    // True while the rows are being brought in line with the store after a change other
    // than a record appended.
    [[nodiscard]] bool isRefreshing() const { return m_refreshing; }

    [[nodiscard]] static ModuleComparator::Key sortKey(int column);
    [[nodiscard]] static int column(ModuleComparator::Key key);
    // Fixed width in pixels; 0 for the two columns that share the remaining width.
    [[nodiscard]] static int width(int column);

signals:
    // The rows match the store again after a change other than a record appended.
    void refreshed();

private:
    struct Fonts
    {
        QFont application;
        QFont project;
        QFont digits;
    };

    void append(const NodeModule &module);
    void refresh();
    void resort();
    [[nodiscard]] bool before(int a, int b) const;
    [[nodiscard]] const Fonts &fonts() const;
    [[nodiscard]] bool holds(const QModelIndex &index) const;

    ScanStore &m_store;
    ModuleSortOrder m_sortOrder;
    // The store's records in arrival order, and the row order as positions in it.
    QList<NodeModule> m_records;
    QList<int> m_order;
    // id to row, rebuilt on demand: streaming inserts shift rows, so keeping it current
    // would cost a pass over every row per record.
    mutable QHash<QByteArray, int> m_rowOfId;
    mutable bool m_rowOfIdStale = true;
    bool m_appended = false;
    bool m_refreshing = false;
    QIcon m_linkIcon;
    mutable std::optional<Fonts> m_fonts;
};
