#include "ui/shell/Sidebar.h"

#include "ui/kit/Icons.h"
#include "ui/kit/Spacing.h"
#include "ui/kit/Theme.h"
#include "ui/shell/BlockedBadge.h"
#include "ui/shell/SidebarDelegate.h"

#include <QListWidget>
#include <QPainter>
#include <QVBoxLayout>

Sidebar::Sidebar(ProcessStore &processes, QWidget *parent)
    : QWidget(parent)
    , m_list(new QListWidget)
    , m_badge(new BlockedBadge(processes, this))
{
    setObjectName(QStringLiteral("sidebar"));
    m_list->setObjectName(QStringLiteral("sidebarList"));
    m_list->setAccessibleName(QStringLiteral("Screens"));
    m_list->setAccessibleDescription(QStringLiteral("Chooses the screen the window shows."));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setItemDelegate(new SidebarDelegate(m_list));
    m_list->setIconSize(QSize(16, 16));
    m_list->setAutoFillBackground(false);
    m_list->viewport()->setAutoFillBackground(false);
    for (const Section section : Sections::all()) {
        auto *item = new QListWidgetItem(Icons::icon(Sections::symbol(section), Tint(Tint::Style::primary)),
                                         Sections::rawValue(section), m_list);
        item->setData(Qt::UserRole, int(section));
    }

    auto *layout = new QVBoxLayout(this);
    const int standard = Spacing::of(Space::standard);
    layout->setContentsMargins(standard, Spacing::of(Space::group), standard, standard);
    layout->setSpacing(standard);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_badge);

    connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *current) {
        if (current)
            emit sectionChosen(Section(current->data(Qt::UserRole).toInt()));
    });
    // A sidebar always shows where the user is: a Ctrl-click must not leave no row selected.
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_list->selectedItems().isEmpty() && m_list->currentItem())
            m_list->currentItem()->setSelected(true);
    });
}

void Sidebar::setCurrentSection(Section section)
{
    m_list->setCurrentRow(int(Sections::all().indexOf(section)));
}

void Sidebar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Theme::sidebarBackground(palette()));
    painter.fillRect(QRect(width() - 1, 0, 1, height()), Theme::separator(palette()));
}
