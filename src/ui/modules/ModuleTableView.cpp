#include "ui/modules/ModuleTableView.h"

#include "core/modules/ScanStore.h"
#include "ui/modules/ModuleTableDelegate.h"
#include "ui/modules/ModuleTableModel.h"

ModuleTableView::ModuleTableView(ScanStore &store, QWidget *parent)
    : KitTableView(parent)
{
    setObjectName(QStringLiteral("moduleTable"));
    bind(store, *new ModuleTableModel(store, this), new ModuleTableDelegate(this), &ModuleTableDelegate::rowHeight);
}
