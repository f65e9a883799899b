#include "ui/modules/ModuleTableView.h"

#include "core/modules/ScanStore.h"
#include "ui/modules/ModuleTableDelegate.h"
#include "ui/modules/ModuleTableModel.h"

#include <QContextMenuEvent>

ModuleTableView::ModuleTableView(ScanStore &store, QWidget *parent)
    : KitTableView(parent)
    , m_model(new ModuleTableModel(store, this))
{
    setObjectName(QStringLiteral("moduleTable"));
    bind(store, *m_model, new ModuleTableDelegate(this), &ModuleTableDelegate::rowHeight);
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
