#pragma once

#include "core/modules/NodeModule.h"

#include <QAbstractListModel>
#include <QHash>

#include <chrono>
#include <optional>

class CoalescedUpdate;
class ScanStore;

// The rows of the grouped node_modules list: for each of the store's groups in order, a
// header row (not selectable), then one row per record of the group in the group's order,
// identified by the record's id. Groups depend on every record, so they are rebuilt once
// for any number of changes, and while a scan streams records at most every
// s_scanningInterval; while the list is hidden (setLive(false)) not at all. A rebuild that
// keeps every row in place only repaints; otherwise the model is reset. GUI thread.
class ModuleGroupModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role { IdRole = Qt::UserRole + 1, HeaderRole };

    static constexpr std::chrono::milliseconds s_scanningInterval{100};

    explicit ModuleGroupModel(ScanStore &store, QObject *parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Off: changes of the store are only noted. On: a rebuild that is due happens at once.
    void setLive(bool live);
    // Rebuilds now when a change is waiting.
    void flush();

    [[nodiscard]] bool isHeader(int row) const { return m_rows.at(row).member < 0; }
    [[nodiscard]] const ModuleGroup &group(int row) const { return m_groups.at(m_rows.at(row).group); }
    // The record of a record row; only for rows that are not headers.
    [[nodiscard]] const NodeModule &module(int row) const;
    [[nodiscard]] std::optional<int> rowOf(const QByteArray &id) const;
    [[nodiscard]] const QList<ModuleGroup> &groups() const { return m_groups; }

signals:
    // The rows match the store's groups again.
    void refreshed();

private:
    struct Row
    {
        int group = 0;
        int member = -1; // -1 for the group's header
    };

    void changed();
    void rebuild();
    [[nodiscard]] bool holds(const QModelIndex &index) const;

    ScanStore &m_store;
    CoalescedUpdate *m_update;
    bool m_live = true;
    bool m_stale = false;
    QList<ModuleGroup> m_groups;
    QList<Row> m_rows;
    QHash<QByteArray, int> m_rowOfId;
};
