#include "ui/kit/StatTile.h"

#include "ui/kit/KitLabel.h"
#include "ui/kit/Spacing.h"

#include <QVBoxLayout>

StatTile::StatTile(const QString &title, const QString &value, const Tint &tint, QWidget *parent)
    : GlassCard(Spacing::of(Space::inset), parent)
    , m_titleLabel(new KitLabel({}, TextStyle::caption2))
    , m_valueLabel(new KitLabel(value, TextStyle::title3))
{
    m_titleLabel->setObjectName(QStringLiteral("statTileTitle"));
    m_titleLabel->setTextStyle(TextStyle::caption2, QFont::DemiBold);
    m_titleLabel->setTint(Tint::Style::secondary);
    m_valueLabel->setObjectName(QStringLiteral("statTileValue"));
    m_valueLabel->setTextStyle(TextStyle::title3, QFont::DemiBold);
    m_valueLabel->setMonospacedDigits(true);
    m_valueLabel->setTint(tint);
    setTitle(title);

    auto *stack = new QVBoxLayout;
    stack->setSpacing(Spacing::of(Space::tight));
    stack->addWidget(m_titleLabel);
    stack->addWidget(m_valueLabel);
    setContentLayout(stack);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StatTile::setTitle(const QString &title)
{
    m_title = title;
    m_titleLabel->setText(title.toUpper());
}

QString StatTile::value() const
{
    return m_valueLabel->text();
}

void StatTile::setValue(const QString &value)
{
    m_valueLabel->setText(value);
}

const Tint &StatTile::tint() const
{
    return m_valueLabel->tint();
}

void StatTile::setTint(const Tint &tint)
{
    m_valueLabel->setTint(tint);
}
