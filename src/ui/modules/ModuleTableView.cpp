#include "ui/modules/ModuleTableView.h"

#include "core/modules/ScanStore.h"
#include "ui/modules/ModuleTableDelegate.h"
#include "ui/modules/ModuleTableModel.h"
#include "ui/support/RowSelection.h"
#include "ui/support/SortOrders.h"

#include <QContextMenuEvent>
#include <QHeaderView>

ModuleTableView::ModuleTableView(ScanStore &store, QWidget *parent)
    : KitTableView(parent)
    , m_store(store)
    , m_model(new ModuleTableModel(store, this))
{
    setObjectName(QStringLiteral("moduleTable"));
    setModel(m_model);
    setItemDelegate(new ModuleTableDelegate(this));
    QList<int> widths;
    for (int column = 0; column < ModuleTableModel::ColumnCount; ++column)
        widths.append(ModuleTableModel::width(column));
    setColumnWidths(widths);
    setRowHeight(&ModuleTableDelegate::rowHeight);

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &ModuleTableView::sortByHeader);
    connect(m_model, &ModuleTableModel::refreshed, this, &ModuleTableView::selectFromStore);
    connect(&m_store, &ScanStore::selectionChanged, this, &ModuleTableView::selectFromStore);
    connect(&m_store, &ScanStore::sortOrderChanged, this, &ModuleTableView::showSortOrder);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &ModuleTableView::storeSelection);
    selectFromStore();
    showSortOrder();
}

void ModuleTableView::selectFromStore()
{
    selectRows(RowSelection::rowsOf(m_store.selection(), [this](const QByteArray &id) { return m_model->rowOf(id); }));
}

void ModuleTableView::storeSelection()
{
    if (isApplyingSelection() || m_model->isRefreshing())
        return;
    QSet<QByteArray> selected;
    for (const int row : selectedRows())
        selected.insert(m_model->record(row).id);
    m_store.setSelection(selected);
}

void ModuleTableView::showSortOrder()
{
    const ModuleSortOrder order = m_store.sortOrder();
    if (order.isEmpty())
        showSortIndicator(-1, Qt::AscendingOrder);
    else
        showSortIndicator(ModuleTableModel::column(order.first().key), order.first().order);
}

void ModuleTableView::sortByHeader(int section)
{
    m_model->sort(section, SortOrders::clickedOrder(m_store.sortOrder(), ModuleTableModel::sortKey(section)));
    // The header flips its own indicator on every click; the store's order is what it shows.
    showSortOrder();
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
