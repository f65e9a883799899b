#pragma once

#include "core/processes/NodeProcess.h"
#include "core/processes/ProcessSortOrder.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QHash>
#include <QIcon>

#include <optional>

class ProcessStore;

// The rows of the process table: the store's visible processes in the store's order, one
// row per process, identified by pid. It follows the store by itself: a changed record is
// updated in place, a new order is a layout change, and only processes that came or went
// are inserted or removed, so persistent indexes (the selection) and the scroll position
// hold across reloads. GUI thread.
class ProcessTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { StatusColumn, PortsColumn, TypeColumn, UptimeColumn, PidColumn, MemoryColumn, CommandColumn,
                  ColumnCount };
    enum Role {
        // The raw value a column sorts by (number or text); nothing for the status column.
        SortRole = Qt::UserRole + 1,
        PidRole,
        // The working directory under the command, when known.
        DirectoryRole,
    };

    explicit ProcessTableModel(ProcessStore &store, QObject *parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Puts column's comparator, in order, first in the store's sort order; the rows follow
    // the store. Does nothing for the status column.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    [[nodiscard]] const QList<NodeProcess> &rows() const { return m_rows; }
    [[nodiscard]] std::optional<int> rowOf(qint32 pid) const;
    // True while the rows are being brought in line with the store.
    [[nodiscard]] bool isRefreshing() const { return m_refreshing; }

    // The comparator key a column sorts by; nothing for the status column.
    [[nodiscard]] static std::optional<ProcessComparator::Key> sortKey(int column);
    [[nodiscard]] static int column(ProcessComparator::Key key);
    // Fixed width in pixels; 0 for the command column, which takes the remaining width.
    [[nodiscard]] static int width(int column);

signals:
    // The rows match the store again.
    void refreshed();

private:
    struct Fonts
    {
        QFont application;
        QFont digits;
        QFont boldDigits;
    };

    void refresh();
    [[nodiscard]] const Fonts &fonts() const;
    [[nodiscard]] bool holds(const QModelIndex &index) const;
    void removeGone(const QSet<qint32> &wanted);
    void rebuildIndex();
    [[nodiscard]] QIcon kindIcon(NodeProcess::Kind kind) const;

    ProcessStore &m_store;
    QList<NodeProcess> m_rows;
    QHash<qint32, int> m_rowOfPid;
    bool m_refreshing = false;
    QIcon m_flaggedIcon;
    QIcon m_runningIcon;
    mutable QHash<int, QIcon> m_kindIcons;
    mutable std::optional<Fonts> m_fonts;
};
