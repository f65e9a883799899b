#pragma once

#include "core/processes/NodeProcess.h"
#include "core/processes/ProcessSortOrder.h"
#include "ui/support/KeyedListModel.h"

#include <QFont>
#include <QHash>
#include <QIcon>

#include <optional>

class ProcessStore;

// The rows of the process table: the store's visible processes in the store's order, one
// row per process, identified by pid, following the store by itself (KeyedListModel), so
// the selection and the scroll position hold across reloads. GUI thread.
class ProcessTableModel : public KeyedListModel<NodeProcess>
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

    // Puts column's comparator, in order, first in the store's sort order; the rows follow
    // the store. Does nothing for the status column.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The comparator key a column sorts by; nothing for the status column.
    [[nodiscard]] static std::optional<ProcessComparator::Key> sortKey(int column);
    [[nodiscard]] static int column(ProcessComparator::Key key);

private:
    [[nodiscard]] QVariant cellData(const NodeProcess &process, int column, int role) const override;
    struct Fonts
    {
        QFont application;
        QFont digits;
        QFont boldDigits;
    };

    [[nodiscard]] const Fonts &fonts() const;
    [[nodiscard]] QIcon kindIcon(NodeProcess::Kind kind) const;

    ProcessStore &m_store;
    QIcon m_flaggedIcon;
    QIcon m_runningIcon;
    mutable QHash<int, QIcon> m_kindIcons;
    mutable std::optional<Fonts> m_fonts;
};
