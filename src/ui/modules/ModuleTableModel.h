#pragma once

#include "core/modules/ModuleSortOrder.h"
#include "core/modules/NodeModule.h"
#include "core/modules/ScanStore.h"
#include "ui/support/KeyedListModel.h"

#include <QFont>
#include <QIcon>

#include <optional>

// The rows of the flat node_modules table: the store's visible records, one row per
// record, identified by its id, following the store by itself (KeyedListModel). A record
// that streams in during a scan is inserted at its sorted place without going through the
// other rows. GUI thread.
class ModuleTableModel : public StoreSortedModel<NodeModule, ScanStore, ModuleComparator>
{
    Q_OBJECT

public:
    enum Column { ProjectColumn, PathColumn, SizeColumn, LastAccessedColumn, ColumnCount };
    explicit ModuleTableModel(ScanStore &store, QObject *parent = nullptr);

private:
    [[nodiscard]] QVariant cellData(const NodeModule &module, int column, int role) const override;

    // A row being deleted is greyed and cannot be chosen again.
    [[nodiscard]] bool isGreyed(int row) const override;
    void modulesChanged(ScanStore::ModulesChange change);

    QIcon m_linkIcon;
};
