#include "ui/modules/ModuleGroupList.h"

#include "ui/modules/ModuleGroupDelegate.h"

#include <QContextMenuEvent>

ModuleGroupList::ModuleGroupList(ScanStore &store, QWidget *parent)
    : QListView(parent)
    , m_model(new ModuleGroupModel(store, this))
{
    setObjectName(QStringLiteral("moduleGroupList"));
    setModel(m_model);
    setItemDelegate(new ModuleGroupDelegate(m_model, this));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    // Hidden until shown: the groups are not rebuilt for a list nobody sees.
    m_model->setLive(false);
    m_selection = SelectionBridge::bind(this, store, *m_model);
}

void ModuleGroupList::showEvent(QShowEvent *event)
{
    m_model->setLive(true);
    QListView::showEvent(event);
}

void ModuleGroupList::hideEvent(QHideEvent *event)
{
    QListView::hideEvent(event);
    m_model->setLive(false);
}

QItemSelectionModel::SelectionFlags ModuleGroupList::selectionCommand(const QModelIndex &index,
                                                                      const QEvent *event) const
{
    return m_selection->noteCommand(QListView::selectionCommand(index, event));
}

void ModuleGroupList::contextMenuEvent(QContextMenuEvent *event)
{
    QModelIndex index = event->reason() == QContextMenuEvent::Mouse ? indexAt(event->pos()) : currentIndex();
    if (!index.isValid() || m_model->isHeader(index.row()))
        return;
    const QPoint position = event->reason() == QContextMenuEvent::Mouse
        ? event->globalPos()
        : viewport()->mapToGlobal(visualRect(index).center());
    emit contextMenuRequested(position);
}
