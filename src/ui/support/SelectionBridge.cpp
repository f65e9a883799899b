#include "ui/support/SelectionBridge.h"

SelectionBridge::SelectionBridge(QAbstractItemView *view, const KeyedListModelBase &model)
    : QObject(view)
    , m_view(view)
    , m_model(model)
{
    connect(&m_model, &KeyedListModelBase::refreshed, this, &SelectionBridge::selectFromStore);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { selectInserted(first, last); });
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this, &SelectionBridge::storeSelection);
}

QItemSelectionModel::SelectionFlags SelectionBridge::noteCommand(QItemSelectionModel::SelectionFlags command)
{
    m_lastCommand = command;
    return command;
}

void SelectionBridge::selectFromStore()
{
    m_applying = true;
    RowSelection::select(m_view->selectionModel(), m_storedRows());
    m_applying = false;
}

// A record streaming in outside a refresh may be one the store has selected already.
void SelectionBridge::selectInserted(int first, int last)
{
    if (m_model.isRefreshing())
        return;
    QItemSelection inserted;
    for (int row = first; row <= last; ++row) {
        if (m_isStored(row))
            inserted.select(m_model.index(row, 0), m_model.index(row, m_model.columnCount() - 1));
    }
    if (inserted.isEmpty())
        return;
    m_applying = true;
    m_view->selectionModel()->select(inserted, QItemSelectionModel::Select);
    m_applying = false;
}

void SelectionBridge::storeSelection()
{
    // Rows going or moving while the model refreshes say nothing about the user's choice.
    if (m_applying || m_model.isRefreshing())
        return;
    const QItemSelectionModel::SelectionFlags command = m_lastCommand;
    m_lastCommand = QItemSelectionModel::NoUpdate;
    QList<int> rows;
    for (const int row : RowSelection::selected(m_view->selectionModel())) {
        if (m_model.flags(m_model.index(row, 0)) & Qt::ItemIsSelectable)
            rows.append(row);
    }
    m_store(rows, !(command & QItemSelectionModel::Clear));
}
