#include "ui/modules/ModuleTableView.h"

#include "core/modules/ScanStore.h"
#include "ui/modules/ModuleTableDelegate.h"
#include "ui/modules/ModuleTableModel.h"

ModuleTableView::ModuleTableView(ScanStore &store, QWidget *parent)
    : KitTableView(parent)
{
    setObjectName(QStringLiteral("moduleTable"));
    auto *model = new ModuleTableModel(store, this);
    bind(store, *model, new ModuleTableDelegate(this), &ModuleTableDelegate::rowHeight);
}
