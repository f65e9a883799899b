#pragma once

#include "ui/support/SelectionBridge.h"

#include <QItemSelectionModel>
#include <QList>
#include <QTableView>

#include <functional>

// A table in the kit's look: the kit's header, no grid or frame, rows of one height on
// faint alternating stripes over the surface beneath, whole-row multiple selection, fixed
// columns beside flexible ones, which share the remaining width. Subclasses bind its rows
// to a store's selection with bindSelection. GUI thread.
class KitTableView : public QTableView
{
    Q_OBJECT

public:
    explicit KitTableView(QWidget *parent = nullptr);

    // A width in pixels per column; 0 for one that takes a share of the remaining width.
    // Call after setModel.
    void setColumnWidths(const QList<int> &widths);
    // The height of every row, asked again when the application font changes.
    void setRowHeight(std::function<int()> height);

protected:
    // Binds the rows to store's selection (SelectionBridge); call once the model is set.
    template <typename Store, typename Model>
    void bindSelection(Store &store, const Model &model)
    {
        m_selection = SelectionBridge::bind(this, store, model);
    }

    [[nodiscard]] QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                                       const QEvent *event = nullptr) const override;
    bool event(QEvent *event) override;

private:
    void applyMetrics();
    void applyPalette();

    std::function<int()> m_rowHeight;
    SelectionBridge *m_selection = nullptr;
};
