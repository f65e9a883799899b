#include "ui/ports/ProcessTableView.h"

#include "core/processes/ProcessStore.h"
#include "ui/kit/Icons.h"
#include "ui/kit/TableHeader.h"
#include "ui/kit/Theme.h"
#include "ui/ports/ProcessTableDelegate.h"
#include "ui/ports/ProcessTableModel.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>

ProcessTableView::ProcessTableView(ProcessStore &store, QWidget *parent)
    : QTableView(parent)
    , m_store(store)
    , m_model(new ProcessTableModel(store, this))
{
    setObjectName(QStringLiteral("processTable"));
    setHorizontalHeader(new TableHeader(this));
    setModel(m_model);
    setItemDelegate(new ProcessTableDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setAlternatingRowColors(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setMouseTracking(true);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

    QHeaderView *header = horizontalHeader();
    header->setMinimumSectionSize(ProcessTableModel::width(ProcessTableModel::StatusColumn));
    for (int column = 0; column < ProcessTableModel::ColumnCount; ++column) {
        if (const int width = ProcessTableModel::width(column); width > 0) {
            header->setSectionResizeMode(column, QHeaderView::Fixed);
            header->resizeSection(column, width);
        }
    }
    header->setStretchLastSection(true);
    // QTableView hides the indicator while its own sorting is off; here the store sorts.
    header->setSortIndicatorShown(true);
    applyMetrics();
    viewport()->setAutoFillBackground(false);
    applyPalette();

    connect(header, &QHeaderView::sectionClicked, this, &ProcessTableView::sortByHeader);
    connect(m_model, &ProcessTableModel::refreshed, this, &ProcessTableView::selectFromStore);
    connect(&m_store, &ProcessStore::selectionChanged, this, &ProcessTableView::selectFromStore);
    connect(&m_store, &ProcessStore::sortOrderChanged, this, &ProcessTableView::showSortOrder);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &ProcessTableView::storeSelection);
    selectFromStore();
    showSortOrder();
}

void ProcessTableView::applyPalette()
{
    // Rows lie on the surface under the table; every other one gets a faint wash, so the
    // stripes read on light and dark surfaces alike.
    const QPalette base = QApplication::palette(this);
    QColor stripe = base.color(QPalette::WindowText);
    stripe.setAlphaF(Theme::isDark(base) ? 0.045 : 0.035);
    QPalette own;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        own.setColor(group, QPalette::AlternateBase, stripe);
    setPalette(own);
}

void ProcessTableView::applyMetrics()
{
    verticalHeader()->setDefaultSectionSize(ProcessTableDelegate::rowHeight());
    verticalHeader()->setMinimumSectionSize(ProcessTableDelegate::rowHeight());
}

bool ProcessTableView::event(QEvent *event)
{
    if (event->type() == QEvent::ApplicationFontChange)
        applyMetrics();
    if (event->type() == QEvent::ApplicationPaletteChange)
        applyPalette();
    return QTableView::event(event);
}

QItemSelectionModel::SelectionFlags ProcessTableView::selectionCommand(const QModelIndex &index,
                                                                       const QEvent *event) const
{
    m_lastCommand = QTableView::selectionCommand(index, event);
    return m_lastCommand;
}

void ProcessTableView::selectFromStore()
{
    const QSet<qint32> wanted = m_store.selection();
    const QList<NodeProcess> &rows = m_model->rows();
    QItemSelection selection;
    const int lastColumn = ProcessTableModel::ColumnCount - 1;
    for (int row = 0; row < rows.size(); ++row) {
        if (!wanted.contains(rows.at(row).id))
            continue;
        const int first = row;
        while (row + 1 < rows.size() && wanted.contains(rows.at(row + 1).id))
            ++row;
        selection.select(m_model->index(first, 0), m_model->index(row, lastColumn));
    }
    // Only when it differs, so a reload that keeps the selection does not repaint it.
    QSet<qint32> shown;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        shown.insert(rows.at(index.row()).id);
    QSet<qint32> wantedShown;
    for (const QItemSelectionRange &range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            wantedShown.insert(rows.at(row).id);
    }
    if (shown == wantedShown)
        return;
    m_selecting = true;
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    m_selecting = false;
}

void ProcessTableView::storeSelection()
{
    if (m_selecting || m_model->isRefreshing())
        return;
    const QItemSelectionModel::SelectionFlags command = m_lastCommand;
    m_lastCommand = QItemSelectionModel::NoUpdate;

    QSet<qint32> selected;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        selected.insert(m_model->rows().at(index.row()).id);
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
        horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
        return;
    }
    horizontalHeader()->setSortIndicator(ProcessTableModel::column(order.first().key), order.first().order);
}

void ProcessTableView::sortByHeader(int section)
{
    const std::optional<ProcessComparator::Key> key = ProcessTableModel::sortKey(section);
    if (key) {
        const ProcessSortOrder current = m_store.sortOrder();
        Qt::SortOrder order = Qt::AscendingOrder;
        if (!current.isEmpty() && current.first().key == *key)
            order = current.first().order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
        m_model->sort(section, order);
    }
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
    QTableView::mousePressEvent(event);
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
    menu->addAction(Icons::icon(QStringLiteral("stop.circle")), QStringLiteral("Stop (SIGTERM)"), this,
                    [this, ids] { emit killRequested(ids, false); });
    menu->addAction(Icons::icon(QStringLiteral("xmark.octagon"), Theme::danger()),
                    QStringLiteral("Force Kill (SIGKILL)"), this, [this, ids] { emit killRequested(ids, true); });
    m_contextPid = m_model->rows().at(row).id;
    connect(menu, &QMenu::aboutToHide, this, [this] {
        m_contextPid.reset();
        viewport()->update();
    });
    viewport()->update();
    menu->popup(position);
}

void ProcessTableView::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
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
