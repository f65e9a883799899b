#pragma once

#include "core/modules/ScanStore.h"
#include "ui/modules/ModuleGroupModel.h"
#include "ui/support/SelectionBridge.h"

#include <QListView>

// The grouped node_modules list, bound to the store: one section per group, headed by its
// colour, key, count and total, then its records; its selection is the store's
// (SelectionBridge), records not listed yet staying selected until a plain click.
// Headers cannot be selected. A right click selects the record under it unless it is
// selected already; the menu it opens is the screen's (contextMenuRequested). A double
// click only selects. GUI thread.
class ModuleGroupList : public QListView
{
    Q_OBJECT

public:
    explicit ModuleGroupList(ScanStore &store, QWidget *parent = nullptr);

    [[nodiscard]] ModuleGroupModel *groupModel() const { return m_model; }

signals:
    void contextMenuRequested(const QPoint &globalPosition);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    [[nodiscard]] QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                                       const QEvent *event = nullptr) const override;

private:
    ModuleGroupModel *m_model;
    SelectionBridge *m_selection = nullptr;
};
