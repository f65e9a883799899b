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
// column reverses it). Its context menu holds the screen's actions, which act on the selected
// rows when the clicked row is among them, else on the clicked row (menuTarget). GUI thread.
class ProcessTableView : public KitTableView
{
    Q_OBJECT

public:
    explicit ProcessTableView(ProcessStore &store, QWidget *parent = nullptr);

    [[nodiscard]] ProcessTableModel *processModel() const { return m_model; }
    // The pids the context menu on row acts on.
    [[nodiscard]] QSet<qint32> contextIds(int row) const;
    // The actions of the context menu.
    void setMenuActions(const QList<QAction *> &actions) { m_menuActions = actions; }
    // The pids of the context menu's row while it is open and while its action runs.
    [[nodiscard]] const std::optional<QSet<qint32>> &menuTarget() const { return m_menuTarget; }

signals:
    void menuTargetChanged();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    ProcessStore &m_store;
    ProcessTableModel *m_model;
    // The row a context menu is open for, outlined while the menu shows.
    std::optional<qint32> m_contextPid;
    QList<QAction *> m_menuActions;
    std::optional<QSet<qint32>> m_menuTarget;
    int m_menusOpened = 0;
};
