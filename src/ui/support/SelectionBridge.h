#pragma once

#include "ui/support/KeyedListModel.h"
#include "ui/support/RowSelection.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QObject>

#include <functional>

// Binds the rows a view selects to a store's selection, a set of record ids, both ways:
// the store's selection is shown whenever it or the rows change, and what the user selects
// becomes the store's selection. Rows that cannot be selected (headers, records being
// deleted) are left out. A plain click or key starts a new selection; a Ctrl or Shift
// gesture, or select-all, adds to it, so selected ids without a row (hidden by a filter,
// or not listed yet) stay selected. The view passes each gesture's command through
// noteCommand from its selectionCommand. Owned by the view. GUI thread.
class SelectionBridge : public QObject
{
    Q_OBJECT

public:
    // Binds view, whose model is model (a KeyedListModel), to store's selection and
    // selectionChanged signal. Call once the model is set.
    template <typename Store, typename Model>
    static SelectionBridge *bind(QAbstractItemView *view, Store &store, const Model &model)
    {
        auto *bridge = new SelectionBridge(view, model);
        bridge->m_storedRows = [&store, &model] {
            return RowSelection::rowsOf(store.selection(), [&model](const auto &id) { return model.rowOf(id); });
        };
        bridge->m_isStored = [&store, &model](int row) { return store.selection().contains(model.record(row).id); };
        bridge->m_store = [&store, &model](const QList<int> &rows, bool keepUnlisted) {
            auto selected = store.selection();
            if (!keepUnlisted)
                selected.clear();
            else
                selected.removeIf([&model](const auto &id) { return model.rowOf(id).has_value(); });
            for (const int row : rows)
                selected.insert(model.record(row).id);
            store.setSelection(selected);
        };
        connect(&store, &Store::selectionChanged, bridge, &SelectionBridge::selectFromStore);
        bridge->selectFromStore();
        return bridge;
    }

    // Notes command, which the view's selectionCommand computed for a gesture, and returns it.
    QItemSelectionModel::SelectionFlags noteCommand(QItemSelectionModel::SelectionFlags command);

private:
    SelectionBridge(QAbstractItemView *view, const KeyedListModelBase &model);

    void selectFromStore();
    void selectInserted(int first, int last);
    void storeSelection();

    QAbstractItemView *m_view;
    const KeyedListModelBase &m_model;
    std::function<QList<int>()> m_storedRows;
    std::function<bool(int row)> m_isStored;
    std::function<void(const QList<int> &rows, bool keepUnlisted)> m_store;
    bool m_applying = false;
    QItemSelectionModel::SelectionFlags m_lastCommand = QItemSelectionModel::NoUpdate;
};
