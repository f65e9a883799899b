#include "ui/breakdown/ProvenanceView.h"

#include "core/modules/ScanStore.h"
#include "ui/kit/ContentUnavailableView.h"
#include "ui/kit/KitLabel.h"

#include <QVBoxLayout>

ProvenanceView::ProvenanceView(ScanStore &store, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
{
    auto *title = new KitLabel(QStringLiteral("Breakdown"), TextStyle::title2);
    title->setObjectName(QStringLiteral("screenTitle"));
    title->setTextStyle(TextStyle::title2, QFont::DemiBold);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addWidget(title);
    layout->addWidget(new ContentUnavailableView(
                          QStringLiteral("Nothing to chart"), QStringLiteral("chart.bar.xaxis"),
                          QStringLiteral("Run a scan in Disk cleanup to see where your "
                                         "node_modules come from.")),
                      1);
}
