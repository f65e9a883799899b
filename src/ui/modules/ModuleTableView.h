#pragma once

#include "ui/kit/KitTableView.h"

class ModuleTableModel;
class ScanStore;

// The flat node_modules table, bound to the store: its rows are the store's visible
// records, its row selection is the store's selection (SelectionBridge), and a header
// click puts that column's comparator first in the store's sort order (again on the same
// column reverses it). A right click selects the row under it unless that row is selected
// already; the menu it opens is the screen's (contextMenuRequested), and acts on the
// selection. GUI thread.
class ModuleTableView : public KitTableView
{
    Q_OBJECT

public:
    explicit ModuleTableView(ScanStore &store, QWidget *parent = nullptr);

    [[nodiscard]] ModuleTableModel *moduleModel() const { return m_model; }

signals:
    void contextMenuRequested(const QPoint &globalPosition);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    ModuleTableModel *m_model;
};
