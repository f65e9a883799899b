#include "ui/ports/ProcessTableView.h"

#include "core/processes/ProcessStore.h"
#include "ui/ports/ProcessTableDelegate.h"
#include "ui/ports/ProcessTableModel.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

ProcessTableView::ProcessTableView(ProcessStore &store, QWidget *parent)
    : KitTableView(parent)
    , m_store(store)
    , m_model(new ProcessTableModel(store, this))
{
    setObjectName(QStringLiteral("processTable"));
    bind(m_store, *m_model, new ProcessTableDelegate(this), &ProcessTableDelegate::rowHeight);
}

QSet<qint32> ProcessTableView::contextIds(int row) const
{
    if (row < 0 || row >= m_model->rowCount())
        return {};
    const qint32 pid = m_model->record(row).id;
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
    m_contextPid = m_model->record(row).id;
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
