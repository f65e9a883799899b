#include "ui/ports/BlockedPortCard.h"

#include "ui/kit/GlassLook.h"
#include "ui/kit/Icons.h"
#include "ui/kit/KitLabel.h"
#include "ui/kit/Spacing.h"
#include "ui/kit/SymbolLabel.h"
#include "ui/kit/Theme.h"
#include "ui/ports/KindSymbol.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int s_numberMinimumWidth = 84;
} // namespace

BlockedPortCard::BlockedPortCard(const BlockedPort &port, QWidget *parent)
    : GlassCard(Spacing::of(Space::section), parent)
    , m_number(new KitLabel)
    , m_holder(new QWidget)
    , m_kind(new SymbolLabel(QStringLiteral("hexagon"), Tint::Style::primary))
    , m_summary(new KitLabel)
    , m_pid(new KitLabel)
    , m_location(new KitLabel({}, TextStyle::caption))
    , m_reason(new KitLabel({}, TextStyle::caption2))
    , m_free(new QPushButton(Icons::icon(QStringLiteral("lock.open.fill")), QString()))
    , m_force(new QToolButton)
{
    setObjectName(QStringLiteral("blockedPortCard"));

    // The number, large in the warning colour, over "PORT".
    m_number->setObjectName(QStringLiteral("blockedPortNumber"));
    m_number->setTint(Theme::warning());
    m_number->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    // 30 points beside a 13-point body text, in proportion to this desktop's body font.
    m_number->setTextStyle(TextStyle::body, QFont::DemiBold);
    m_number->setSizeFactor(30.0 / 13.0);
    m_number->setMonospacedDigits(true);
    auto *caption = new KitLabel(QStringLiteral("PORT"), TextStyle::caption2);
    caption->setTextStyle(TextStyle::caption2, QFont::DemiBold);
    caption->setTint(Tint::Style::secondary);
    caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto *numberColumn = new QWidget;
    numberColumn->setMinimumWidth(s_numberMinimumWidth);
    auto *numberStack = new QVBoxLayout(numberColumn);
    numberStack->setContentsMargins(0, 0, 0, 0);
    numberStack->setSpacing(0);
    numberStack->addWidget(m_number);
    numberStack->addWidget(caption);

    m_summary->setObjectName(QStringLiteral("blockedPortSummary"));
    m_summary->setTextStyle(TextStyle::body, QFont::Medium);
    m_pid->setObjectName(QStringLiteral("blockedPortPid"));
    m_pid->setMonospacedDigits(true);
    m_pid->setTint(Tint::Style::secondary);
    m_location->setObjectName(QStringLiteral("blockedPortLocation"));
    m_location->setTint(Tint::Style::secondary);
    m_location->setElideMode(Qt::ElideMiddle);
    m_location->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_reason->setObjectName(QStringLiteral("blockedPortReason"));
    m_reason->setTint(Tint::Style::secondary);
    m_reason->setElideMode(Qt::ElideRight);
    m_reason->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *firstLine = new QHBoxLayout;
    firstLine->setSpacing(Spacing::of(Space::related));
    firstLine->addWidget(m_kind);
    firstLine->addWidget(m_summary);
    firstLine->addWidget(m_pid);
    firstLine->addStretch(1);
    auto *holderStack = new QVBoxLayout(m_holder);
    holderStack->setContentsMargins(0, 0, 0, 0);
    holderStack->setSpacing(Spacing::of(Space::tight));
    holderStack->addLayout(firstLine);
    holderStack->addWidget(m_location);
    holderStack->addWidget(m_reason);
    m_holder->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

    m_free->setObjectName(QStringLiteral("freePortButton"));
    glassProminentButton(m_free, Theme::danger());
    m_force->setObjectName(QStringLiteral("forceFreePortButton"));
    m_force->setIcon(Icons::icon(QStringLiteral("xmark.octagon")));
    glassButton(m_force);
    connect(m_free, &QPushButton::clicked, this, [this] { emit freeRequested(false); });
    connect(m_force, &QToolButton::clicked, this, [this] { emit freeRequested(true); });

    auto *row = new QHBoxLayout;
    row->setSpacing(Spacing::of(Space::inset));
    row->addWidget(numberColumn, 0, Qt::AlignVCenter);
    row->addWidget(m_holder, 1, Qt::AlignVCenter);
    row->addSpacerItem(new QSpacerItem(Spacing::of(Space::standard), 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    row->addWidget(m_free, 0, Qt::AlignVCenter);
    row->addWidget(m_force, 0, Qt::AlignVCenter);
    setContentLayout(row);

    setBlockedPort(port);
}

void BlockedPortCard::setBlockedPort(const BlockedPort &port)
{
    m_port = port;
    const QString number = QString::number(port.port);
    m_number->setText(number);
    m_free->setText(QStringLiteral("Free port ") + number);
    m_force->setToolTip(QStringLiteral("Force kill (SIGKILL) whatever is holding port ") + number);
    // The force button shows only an icon: screen readers read its name instead.
    m_force->setAccessibleName(QStringLiteral("Force kill port ") + number);
    m_force->setAccessibleDescription(m_force->toolTip());
    m_free->setAccessibleDescription(QStringLiteral("Asks to stop whatever is holding port ") + number
                                     + QStringLiteral(" with SIGTERM."));

    m_holder->setVisible(!port.processes.isEmpty());
    if (port.processes.isEmpty())
        return;
    const NodeProcess &first = port.processes.first();
    m_kind->setSymbol(kindSymbol(first.kind));
    m_summary->setText(port.summary());
    m_pid->setText(QStringLiteral("· pid %1").arg(first.pid));
    m_location->setText(NodeProcess::printable(first.cwd.value_or(first.command)));
    const std::optional<QString> reason = first.hangingReason();
    m_reason->setText(reason.value_or(QString()));
    m_reason->setVisible(reason.has_value());
}
