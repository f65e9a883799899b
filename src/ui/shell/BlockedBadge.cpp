#include "ui/shell/BlockedBadge.h"

#include "core/processes/ProcessStore.h"
#include "ui/kit/Icons.h"
#include "ui/kit/KitLabel.h"
#include "ui/kit/Spacing.h"
#include "ui/kit/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>

BlockedBadge::BlockedBadge(ProcessStore &processes, QWidget *parent)
    : QWidget(parent)
    , m_processes(processes)
    , m_icon(new QLabel)
    , m_text(new KitLabel({}, TextStyle::caption))
{
    setObjectName(QStringLiteral("blockedBadge"));
    m_text->setObjectName(QStringLiteral("blockedBadgeText"));
    m_text->setTextStyle(TextStyle::caption, QFont::DemiBold);
    m_text->setTint(Theme::warning());
    m_text->setMonospacedDigits(true);
    // Many blocked ports wrap onto a second line rather than lose numbers to an ellipsis.
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignCenter);

    auto *layout = new QHBoxLayout(this);
    const int inset = Spacing::of(Space::inset);
    const int standard = Spacing::of(Space::standard);
    layout->setContentsMargins(inset, standard, inset, standard);
    layout->setSpacing(0);
    layout->addStretch(1);
    layout->addWidget(m_icon);
    layout->addSpacing(Spacing::of(Space::related));
    layout->addWidget(m_text);
    layout->addStretch(1);

    updateIcon();
    connect(&m_processes, &ProcessStore::processesChanged, this, &BlockedBadge::refresh);
    refresh();
}

QString BlockedBadge::text() const
{
    return m_text->text();
}

void BlockedBadge::refresh()
{
    QStringList ports;
    for (const BlockedPort &blocked : m_processes.blockedPorts())
        ports << QString::number(blocked.port);
    m_text->setText(ports.join(QStringLiteral(", ")) + QStringLiteral(" in use"));
    setVisible(!ports.isEmpty());
}

void BlockedBadge::updateIcon()
{
    const int side = QFontMetrics(m_text->font()).height() - 2;
    m_icon->setPixmap(
        Icons::pixmap(QStringLiteral("exclamationmark.triangle.fill"), side, Theme::warning(), devicePixelRatioF()));
}

bool BlockedBadge::event(QEvent *event)
{
    // Posted after the text label's own copy of the event, so the label already has its font.
    if (event->type() == QEvent::ApplicationFontChange)
        updateIcon();
    return QWidget::event(event);
}

void BlockedBadge::paintEvent(QPaintEvent *)
{
    // A faint wash of the warning colour keeps the light warning text readable on the sidebar.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor wash = Theme::warning();
    wash.setAlphaF(Theme::isDark(palette()) ? 0.16 : 0.14);
    painter.setPen(Qt::NoPen);
    painter.setBrush(wash);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
}
