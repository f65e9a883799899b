#include "ui/modules/ModulesView.h"

#include "core/modules/ScanStore.h"
#include "ui/kit/ContentUnavailableView.h"
#include "ui/kit/KitLabel.h"

#include <QVBoxLayout>

ModulesView::ModulesView(ScanStore &store, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
{
    auto *title = new KitLabel(QStringLiteral("Disk cleanup"), TextStyle::title2);
    title->setObjectName(QStringLiteral("screenTitle"));
    title->setTextStyle(TextStyle::title2, QFont::DemiBold);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addWidget(title);
    layout->addWidget(new ContentUnavailableView(
                          QStringLiteral("No node_modules yet"), QStringLiteral("shippingbox"),
                          QStringLiteral("Secondary tool: choose a folder and press Scan to find "
                                         "node_modules you can reclaim space from. Deleting moves "
                                         "them to the Trash.")),
                      1);
}
