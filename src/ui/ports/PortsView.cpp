#include "ui/ports/PortsView.h"

#include "core/processes/ProcessStore.h"
#include "ui/kit/KitLabel.h"

#include <QShowEvent>
#include <QVBoxLayout>

PortsView::PortsView(ProcessStore &store, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
{
    auto *title = new KitLabel(QStringLiteral("Ports"), TextStyle::title2);
    title->setObjectName(QStringLiteral("screenTitle"));
    title->setTextStyle(TextStyle::title2, QFont::DemiBold);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addWidget(title);
    layout->addStretch(1);
}

void PortsView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window coming back from being minimised is not the screen appearing.
    if (event->spontaneous())
        return;
    if (m_store.processes().isEmpty())
        (void)m_store.reload();
}
