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
class ModuleTableModel : public KeyedListModel<NodeModule>
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

    // Puts column's comparator, in order, first in the store's sort order; the rows follow.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    [[nodiscard]] static std::optional<ModuleComparator::Key> sortKey(int column);
    [[nodiscard]] static int column(ModuleComparator::Key key);

private:
    [[nodiscard]] QVariant cellData(const NodeModule &module, int column, int role) const override;
    struct Fonts
    {
        QFont application;
        QFont project;
        QFont digits;
    };

    // A row being deleted is greyed and cannot be chosen again.
    [[nodiscard]] bool isGreyed(int row) const override;
    void modulesChanged(ScanStore::ModulesChange change);
    [[nodiscard]] const Fonts &fonts() const;

    ScanStore &m_store;
    QIcon m_linkIcon;
    mutable std::optional<Fonts> m_fonts;
};
