#pragma once

#include "core/modules/NodeModule.h"
#include "ui/support/KeyedListModel.h"

#include <chrono>
#include <optional>

class CoalescedUpdate;
class ScanStore;

// One row of the grouped list: a group's header, or one of the group's records.
struct ModuleGroupRow
{
    // The record's id; for a header, a NUL (no path holds one) and the group key.
    QByteArray id;
    QString groupKey;
    // A header's count of records and reclaimable total.
    qsizetype count = 0;
    qint64 totalBytes = 0;
    // Absent for a header.
    std::optional<NodeModule> module;

    friend bool operator==(const ModuleGroupRow &, const ModuleGroupRow &) = default;
};

// The rows of the grouped node_modules list: for each of the store's groups in order, a
// header row (not selectable), then one row per record of the group in the group's order,
// following the store (KeyedListModel). Groups depend on every record, so they are rebuilt
// once for any number of changes, and while a scan streams records at most every
// s_scanningInterval; while the list is hidden (setLive(false)) not at all. GUI thread.
class ModuleGroupModel : public KeyedListModel<ModuleGroupRow>
{
    Q_OBJECT

public:
    enum Role { HeaderRole = FirstOwnRole };

    static constexpr std::chrono::milliseconds s_scanningInterval{100};

    explicit ModuleGroupModel(ScanStore &store, QObject *parent = nullptr);

    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Off: changes of the store are only noted. On: a rebuild that is due happens at once.
    void setLive(bool live);
    // Rebuilds now when a change is waiting.
    void flush();

    [[nodiscard]] bool isHeader(int row) const { return !record(row).module; }
    // The record of a record row; only for rows that are not headers.
    [[nodiscard]] const NodeModule &module(int row) const { return *record(row).module; }

private:
    [[nodiscard]] QVariant cellData(const ModuleGroupRow &row, int column, int role) const override;
    // A record being deleted is greyed and cannot be chosen again.
    [[nodiscard]] bool isGreyed(int row) const override;
    void changed();
    void rebuild();

    ScanStore &m_store;
    CoalescedUpdate *m_update;
    bool m_live = true;
    bool m_stale = false;
};
