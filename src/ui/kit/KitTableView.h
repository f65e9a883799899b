#pragma once

#include <QItemSelectionModel>
#include <QList>
#include <QTableView>

#include <functional>

// A table in the kit's look: the kit's header, no grid or frame, rows of one height on
// faint alternating stripes over the surface beneath, whole-row multiple selection, fixed
// columns beside flexible ones, which share the remaining width. Subclasses bind it to a
// store: they select rows with selectRows, read the user's gestures with selectedRows and
// takeSelectionCommand, and say what a header click means. GUI thread.
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
    // The header's chevron on column (none for -1), whatever the header thinks it clicked.
    void showSortIndicator(int column, Qt::SortOrder order);

    // The selected rows, ascending.
    [[nodiscard]] QList<int> selectedRows() const;

protected:
    // Selects exactly rows; does nothing when they are the ones selected, so a refresh that
    // keeps the selection does not repaint it. True while it selects (isApplyingSelection).
    void selectRows(const QList<int> &rows);
    [[nodiscard]] bool isApplyingSelection() const { return m_applying; }
    // What the user's last selection gesture asked for (Clear for a plain click), once.
    [[nodiscard]] QItemSelectionModel::SelectionFlags takeSelectionCommand();

    [[nodiscard]] QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                                       const QEvent *event = nullptr) const override;
    bool event(QEvent *event) override;

private:
    void applyMetrics();
    void applyPalette();

    std::function<int()> m_rowHeight;
    bool m_applying = false;
    mutable QItemSelectionModel::SelectionFlags m_lastCommand = QItemSelectionModel::NoUpdate;
};
