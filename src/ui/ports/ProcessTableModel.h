#pragma once

#include "core/processes/NodeProcess.h"
#include "core/processes/ProcessSortOrder.h"
#include "core/processes/ProcessStore.h"
#include "ui/support/KeyedListModel.h"

#include <QFont>
#include <QHash>
#include <QIcon>

#include <optional>

// The rows of the process table: the store's visible processes in the store's order, one
// row per process, identified by pid, following the store by itself (KeyedListModel), so
// the selection and the scroll position hold across reloads. GUI thread.
class ProcessTableModel : public StoreSortedModel<NodeProcess, ProcessStore, ProcessComparator>
{
    Q_OBJECT

public:
    enum Column {
        StatusColumn,
        PortsColumn,
        TypeColumn,
        UptimeColumn,
        PidColumn,
        MemoryColumn,
        CommandColumn,
        ColumnCount
    };
    enum Role {
        // The working directory under the command, when known.
        DirectoryRole = FirstOwnRole,
    };

    // The status column does not sort.
    explicit ProcessTableModel(ProcessStore &store, QObject *parent = nullptr);

private:
    [[nodiscard]] QVariant cellData(const NodeProcess &process, int column, int role) const override;
    [[nodiscard]] QIcon kindIcon(NodeProcess::Kind kind) const;

    QIcon m_flaggedIcon;
    QIcon m_runningIcon;
    mutable QHash<int, QIcon> m_kindIcons;
};
