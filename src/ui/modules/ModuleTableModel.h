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

    [[nodiscard]] QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // A row being deleted cannot be selected.
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Puts column's comparator, in order, first in the store's sort order; the rows follow.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    [[nodiscard]] static std::optional<ModuleComparator::Key> sortKey(int column);
    [[nodiscard]] static int column(ModuleComparator::Key key);

private:
    struct Fonts
    {
        QFont application;
        QFont project;
        QFont digits;
    };

    void modulesChanged(ScanStore::ModulesChange change);
    [[nodiscard]] const Fonts &fonts() const;

    ScanStore &m_store;
    QIcon m_linkIcon;
    mutable std::optional<Fonts> m_fonts;
};
