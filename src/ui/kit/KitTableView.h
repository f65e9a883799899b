#pragma once

#include "ui/support/SelectionBridge.h"
#include "ui/support/SortOrders.h"

#include <QItemSelectionModel>
#include <QList>
#include <QTableView>

#include <functional>

// A table in the kit's look: the kit's header, no grid or frame, rows of one height on
// faint alternating stripes over the surface beneath, whole-row multiple selection, fixed
// columns beside flexible ones, which share the remaining width. Subclasses bind it to a
// store and a model of its list with bind. GUI thread.
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

signals:
    // A context menu was asked for on a row, by the mouse at globalPosition, or by the
    // keyboard on the current row (at its centre). Subclasses may handle the event instead.
    void contextMenuRequested(const QPoint &globalPosition);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    // Shows model (a StoreSortedModel over store's list) through delegate, in rows of
    // rowHeight and model's column widths; the selection is store's (SelectionBridge) and
    // the header shows and sets store's sort order (SortOrders::bindHeader).
    template <typename Store, typename Model>
    void bind(Store &store, Model &model, QAbstractItemDelegate *delegate, std::function<int()> rowHeight)
    {
        setModel(&model);
        setItemDelegate(delegate);
        setColumnWidths(model.columnWidths());
        setRowHeight(std::move(rowHeight));
        m_selection = SelectionBridge::bind(this, store, model);
        SortOrders::bindHeader(this, store, model);
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
