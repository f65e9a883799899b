#pragma once

#include "ui/kit/KitTableView.h"

class ScanStore;

// The flat node_modules table, bound to the store: its model is a ModuleTableModel of the
// store's visible records, its row selection is the store's selection (SelectionBridge),
// and a header click puts that column's comparator first in the store's sort order (again
// on the same column reverses it). A right click selects the row under it unless that row
// is selected already; the menu it opens is the screen's (contextMenuRequested), and acts
// on the selection. GUI thread.
class ModuleTableView : public KitTableView
{
    Q_OBJECT

public:
    explicit ModuleTableView(ScanStore &store, QWidget *parent = nullptr);
};
