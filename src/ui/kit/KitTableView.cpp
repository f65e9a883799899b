#include "ui/kit/KitTableView.h"

#include "ui/kit/TableHeader.h"
#include "ui/kit/Theme.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>

KitTableView::KitTableView(QWidget *parent)
    : QTableView(parent)
{
    setHorizontalHeader(new TableHeader(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the table for the next control; arrows move within it. With Qt's default
    // each Tab moved the selection, and so what the next action would act on.
    setTabKeyNavigation(false);
    setShowGrid(false);
    setWordWrap(false);
    setAlternatingRowColors(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setMouseTracking(true);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // QTableView hides the indicator while its own sorting is off; here a store sorts.
    horizontalHeader()->setSortIndicatorShown(true);
    viewport()->setAutoFillBackground(false);
    applyPalette();
}

void KitTableView::setColumnWidths(const QList<int> &widths)
{
    QHeaderView *header = horizontalHeader();
    int narrowest = 0;
    for (int column = 0; column < widths.size(); ++column) {
        if (const int width = widths.at(column); width > 0) {
            header->setSectionResizeMode(column, QHeaderView::Fixed);
            header->resizeSection(column, width);
            narrowest = narrowest == 0 ? width : std::min(narrowest, width);
        } else {
            header->setSectionResizeMode(column, QHeaderView::Stretch);
        }
    }
    if (narrowest > 0)
        header->setMinimumSectionSize(narrowest);
}

void KitTableView::setRowHeight(std::function<int()> height)
{
    m_rowHeight = std::move(height);
    applyMetrics();
}

QItemSelectionModel::SelectionFlags KitTableView::selectionCommand(const QModelIndex &index, const QEvent *event) const
{
    const QItemSelectionModel::SelectionFlags command = QTableView::selectionCommand(index, event);
    return m_selection ? m_selection->noteCommand(command) : command;
}

void KitTableView::contextMenuEvent(QContextMenuEvent *event)
{
    if (event->reason() == QContextMenuEvent::Mouse) {
        if (rowAt(event->pos().y()) >= 0)
            emit contextMenuRequested(event->globalPos());
        return;
    }
    if (currentIndex().isValid())
        emit contextMenuRequested(viewport()->mapToGlobal(visualRect(currentIndex()).center()));
}

void KitTableView::applyPalette()
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

void KitTableView::applyMetrics()
{
    if (!m_rowHeight)
        return;
    const int height = m_rowHeight();
    verticalHeader()->setDefaultSectionSize(height);
    verticalHeader()->setMinimumSectionSize(height);
}

bool KitTableView::event(QEvent *event)
{
    if (event->type() == QEvent::ApplicationFontChange)
        applyMetrics();
    if (event->type() == QEvent::ApplicationPaletteChange)
        applyPalette();
    return QTableView::event(event);
}
