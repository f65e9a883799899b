#include "ui/ports/ProcessTableView.h"

#include "core/processes/ProcessStore.h"
#include "ui/ports/ProcessTableDelegate.h"
#include "ui/ports/ProcessTableModel.h"
#include "ui/support/SortOrders.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>

ProcessTableView::ProcessTableView(ProcessStore &store, QWidget *parent)
    : KitTableView(parent)
    , m_store(store)
    , m_model(new ProcessTableModel(store, this))
{
    setObjectName(QStringLiteral("processTable"));
    setModel(m_model);
    setItemDelegate(new ProcessTableDelegate(this));
    QList<int> widths;
    for (int column = 0; column < ProcessTableModel::ColumnCount; ++column)
        widths.append(ProcessTableModel::width(column));
    setColumnWidths(widths);
    setRowHeight(&ProcessTableDelegate::rowHeight);

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &ProcessTableView::sortByHeader);
    connect(m_model, &ProcessTableModel::refreshed, this, &ProcessTableView::selectFromStore);
    connect(&m_store, &ProcessStore::selectionChanged, this, &ProcessTableView::selectFromStore);
    connect(&m_store, &ProcessStore::sortOrderChanged, this, &ProcessTableView::showSortOrder);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &ProcessTableView::storeSelection);
    selectFromStore();
    showSortOrder();
}

void ProcessTableView::selectFromStore()
{
    const QSet<qint32> wanted = m_store.selection();
    const QList<NodeProcess> &rows = m_model->rows();
    QList<int> selected;
    for (int row = 0; row < rows.size(); ++row) {
        if (wanted.contains(rows.at(row).id))
            selected.append(row);
    }
    selectRows(selected);
}

void ProcessTableView::storeSelection()
{
    if (isApplyingSelection() || m_model->isRefreshing())
        return;
    const QItemSelectionModel::SelectionFlags command = takeSelectionCommand();

    QSet<qint32> selected;
    for (const int row : selectedRows())
        selected.insert(m_model->rows().at(row).id);
    // A plain click starts a new selection; a Ctrl or Shift gesture, or select-all, adds to
    // what is selected, including rows the filter hides right now.
    if (!(command & QItemSelectionModel::Clear)) {
        for (const qint32 pid : m_store.selection()) {
            if (!m_model->rowOf(pid))
                selected.insert(pid);
        }
    }
    m_store.setSelection(selected);
}

void ProcessTableView::showSortOrder()
{
    const ProcessSortOrder order = m_store.sortOrder();
    if (order.isEmpty()) {
        showSortIndicator(-1, Qt::AscendingOrder);
        return;
    }
    showSortIndicator(ProcessTableModel::column(order.first().key), order.first().order);
}

void ProcessTableView::sortByHeader(int section)
{
    if (const std::optional<ProcessComparator::Key> key = ProcessTableModel::sortKey(section))
        m_model->sort(section, SortOrders::clickedOrder(m_store.sortOrder(), *key));
    // The header flips its own indicator on every click; the store's order is what it shows.
    showSortOrder();
}

QSet<qint32> ProcessTableView::contextIds(int row) const
{
    if (row < 0 || row >= m_model->rows().size())
        return {};
    const qint32 pid = m_model->rows().at(row).id;
    const QSet<qint32> selection = m_store.selection();
    if (selection.contains(pid))
        return selection;
    return {pid};
}

void ProcessTableView::mousePressEvent(QMouseEvent *event)
{
    // A right click leaves the selection as it is: its menu acts on the clicked row alone
    // when that row is not selected.
    if (event->button() == Qt::RightButton)
        return;
    KitTableView::mousePressEvent(event);
}

void ProcessTableView::contextMenuEvent(QContextMenuEvent *event)
{
    int row = -1;
    QPoint position = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        row = rowAt(event->pos().y());
    } else if (currentIndex().isValid()) {
        row = currentIndex().row();
        position = viewport()->mapToGlobal(visualRect(currentIndex()).center());
    }
    const QSet<qint32> ids = contextIds(row);
    if (ids.isEmpty())
        return;

    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    m_menuTarget = ids;
    emit menuTargetChanged();
    menu->addActions(m_menuActions);
    m_contextPid = m_model->rows().at(row).id;
    connect(menu, &QMenu::aboutToHide, this, [this, opened = ++m_menusOpened] {
        m_contextPid.reset();
        viewport()->update();
        // A menu hides before the chosen action runs; the target goes once it has run.
        QMetaObject::invokeMethod(
            this,
            [this, opened] {
                if (opened != m_menusOpened)
                    return;
                m_menuTarget.reset();
                emit menuTargetChanged();
            },
            Qt::QueuedConnection);
    });
    viewport()->update();
    menu->popup(position);
}

void ProcessTableView::paintEvent(QPaintEvent *event)
{
    KitTableView::paintEvent(event);
    if (!m_contextPid)
        return;
    const std::optional<int> row = m_model->rowOf(*m_contextPid);
    if (!row)
        return;
    const QRect first = visualRect(m_model->index(*row, 0));
    const QRect band(0, first.top(), viewport()->width(), first.height());
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(band).adjusted(1, 1, -1, -1), 4, 4);
}
