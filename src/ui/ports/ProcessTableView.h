#pragma once

#include "ui/kit/KitTableView.h"

#include <QSet>

#include <optional>

class ProcessStore;
class ProcessTableModel;

// The process table, bound to the store: its rows are the store's visible processes, its
// row selection is the store's selection (kept by pid across reloads; ids of rows the
// filter hides stay selected until a plain click replaces the selection), and a header
// click puts that column's comparator first in the store's sort order (again on the same
// column reverses it). Its context menu asks to stop the selected rows when the clicked row
// is among them, else the clicked row; it only asks (killRequested), never signals. GUI thread.
class ProcessTableView : public KitTableView
{
    Q_OBJECT

public:
    explicit ProcessTableView(ProcessStore &store, QWidget *parent = nullptr);

    [[nodiscard]] ProcessTableModel *processModel() const { return m_model; }
    // The pids the context menu on row acts on.
    [[nodiscard]] QSet<qint32> contextIds(int row) const;

signals:
    void killRequested(const QSet<qint32> &ids, bool force);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    ProcessStore &m_store;
    ProcessTableModel *m_model;
    // The row a context menu is open for, outlined while the menu shows.
    std::optional<qint32> m_contextPid;
};
