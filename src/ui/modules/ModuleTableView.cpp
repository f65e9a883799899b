#include "ui/modules/ModuleTableView.h"

#include "core/modules/ScanStore.h"
#include "ui/modules/ModuleTableDelegate.h"
#include "ui/modules/ModuleTableModel.h"
#include "ui/support/SortOrders.h"

#include <QContextMenuEvent>

ModuleTableView::ModuleTableView(ScanStore &store, QWidget *parent)
    : KitTableView(parent)
    , m_store(store)
    , m_model(new ModuleTableModel(store, this))
{
    setObjectName(QStringLiteral("moduleTable"));
    setModel(m_model);
    setItemDelegate(new ModuleTableDelegate(this));
    setColumnWidths(m_model->columnWidths());
    setRowHeight(&ModuleTableDelegate::rowHeight);
    bindSelection(m_store, *m_model);
    SortOrders::bindHeader(this, m_store, *m_model);
}

void ModuleTableView::contextMenuEvent(QContextMenuEvent *event)
{
    if (event->reason() == QContextMenuEvent::Mouse) {
        if (rowAt(event->pos().y()) < 0)
            return;
        emit contextMenuRequested(event->globalPos());
        return;
    }
    if (currentIndex().isValid())
        emit contextMenuRequested(viewport()->mapToGlobal(visualRect(currentIndex()).center()));
}
