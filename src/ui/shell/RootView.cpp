#include "ui/shell/RootView.h"

#include "core/modules/ScanStore.h"
#include "core/processes/ProcessStore.h"
#include "ui/breakdown/ProvenanceView.h"
#include "ui/modules/ModulesView.h"
#include "ui/ports/PortsView.h"
#include "ui/shell/Sidebar.h"
#include "ui/shell/StatusBar.h"

#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

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
    m_screens->setCurrentIndex(int(Sections::all().indexOf(m_selection)));
}

void RootView::setSelection(Section section)
{
    if (section == m_selection)
        return;
    m_selection = section;
    m_sidebar->setCurrentSection(section);
    m_screens->setCurrentIndex(int(Sections::all().indexOf(section)));
    emit selectionChanged(section);
}

QWidget *RootView::screen(Section section) const
{
    return m_screens->widget(int(Sections::all().indexOf(section)));
}
