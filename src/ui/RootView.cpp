#include "ui/RootView.h"

#include "core/modules/ScanStore.h"
#include "core/processes/ProcessStore.h"
#include "ui/Sidebar.h"
#include "ui/StatusBar.h"
#include "ui/breakdown/ProvenanceView.h"
#include "ui/modules/ModulesView.h"
#include "ui/ports/PortsView.h"

#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

QString RootView::rawValue(Section section)
{
    switch (section) {
    case Section::ports:
        return QStringLiteral("Ports");
    case Section::disk:
        return QStringLiteral("Disk cleanup");
    case Section::breakdown:
        return QStringLiteral("Breakdown");
    }
    return {};
}

std::optional<RootView::Section> RootView::sectionFromRawValue(const QString &raw)
{
    for (const Section section : allSections()) {
        if (rawValue(section) == raw)
            return section;
    }
    return std::nullopt;
}

QString RootView::symbol(Section section)
{
    switch (section) {
    case Section::ports:
        return QStringLiteral("powerplug.fill");
    case Section::disk:
        return QStringLiteral("shippingbox.fill");
    case Section::breakdown:
        return QStringLiteral("chart.bar.xaxis");
    }
    return {};
}

const QList<RootView::Section> &RootView::allSections()
{
    static const QList<Section> sections = {Section::ports, Section::disk, Section::breakdown};
    return sections;
}

RootView::RootView(ProcessStore &processes, ScanStore &scan, const QUrl &productPage, QWidget *parent)
    : QWidget(parent)
    , m_splitter(new QSplitter(Qt::Horizontal))
    , m_sidebar(new Sidebar(processes))
    , m_screens(new QStackedWidget)
    , m_statusBar(new StatusBar(processes, productPage))
{
    m_screens->setObjectName(QStringLiteral("screens"));
    m_screens->addWidget(new PortsView(processes));
    m_screens->addWidget(new ModulesView(scan));
    m_screens->addWidget(new ProvenanceView(scan));

    auto *detail = new QWidget;
    detail->setObjectName(QStringLiteral("detailColumn"));
    auto *detailLayout = new QVBoxLayout(detail);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->setSpacing(0);
    detailLayout->addWidget(m_screens, 1);
    detailLayout->addWidget(m_statusBar);

    m_sidebar->setMinimumWidth(s_sidebarMinimumWidth);
    m_sidebar->setMaximumWidth(s_sidebarMaximumWidth);
    m_splitter->setObjectName(QStringLiteral("rootSplitter"));
    m_splitter->setHandleWidth(1);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(m_sidebar);
    m_splitter->addWidget(detail);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({s_sidebarIdealWidth, 10'000});

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);

    connect(m_sidebar, &Sidebar::sectionChosen, this, &RootView::setSelection);
    m_sidebar->setCurrentSection(m_selection);
    m_screens->setCurrentIndex(int(allSections().indexOf(m_selection)));
}

void RootView::setSelection(Section section)
{
    if (section == m_selection)
        return;
    m_selection = section;
    m_sidebar->setCurrentSection(section);
    m_screens->setCurrentIndex(int(allSections().indexOf(section)));
    emit selectionChanged(section);
}

QWidget *RootView::screen(Section section) const
{
    return m_screens->widget(int(allSections().indexOf(section)));
}
