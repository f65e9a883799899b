#include "ui/modules/ModuleGroupList.h"

#include "core/modules/ScanStore.h"
#include "ui/modules/ModuleGroupDelegate.h"
#include "ui/modules/ModuleGroupModel.h"
#include "ui/support/RowSelection.h"

#include <QContextMenuEvent>
#include <QScrollBar>

ModuleGroupList::ModuleGroupList(ScanStore &store, QWidget *parent)
    : QListView(parent)
    , m_store(store)
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

    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { m_scrollBeforeReset = verticalScrollBar()->value(); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        // A rebuild mid-scan keeps the reader's place as far as the new rows allow.
        executeDelayedItemsLayout();
        doItemsLayout();
        verticalScrollBar()->setValue(m_scrollBeforeReset);
    });
    connect(m_model, &ModuleGroupModel::refreshed, this, &ModuleGroupList::selectFromStore);
    connect(&m_store, &ScanStore::selectionChanged, this, &ModuleGroupList::selectFromStore);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &ModuleGroupList::storeSelection);
    selectFromStore();
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
    m_lastCommand = QListView::selectionCommand(index, event);
    return m_lastCommand;
}

void ModuleGroupList::selectFromStore()
{
    const QList<int> rows
        = RowSelection::rowsOf(m_store.selection(), [this](const QByteArray &id) { return m_model->rowOf(id); });
    m_applying = true;
    RowSelection::select(selectionModel(), rows);
    m_applying = false;
}

void ModuleGroupList::storeSelection()
{
    if (m_applying)
        return;
    QSet<QByteArray> selected;
    // A range dragged across sections takes in headers, which are no records.
    for (const int row : RowSelection::selected(selectionModel())) {
        if (!m_model->isHeader(row))
            selected.insert(m_model->module(row).id);
    }
    // Records not listed yet (the groups wait for their next rebuild) stay selected unless
    // a plain click starts a new selection.
    const QItemSelectionModel::SelectionFlags command = m_lastCommand;
    m_lastCommand = QItemSelectionModel::NoUpdate;
    if (!(command & QItemSelectionModel::Clear)) {
        for (const QByteArray &id : m_store.selection()) {
            if (!m_model->rowOf(id))
                selected.insert(id);
        }
    }
    m_store.setSelection(selected);
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
