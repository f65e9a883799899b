#include "ui/breakdown/ProvenanceRow.h"

#include "core/ByteFormat.h"
#include "ui/kit/ColorDot.h"
#include "ui/kit/GroupColor.h"
#include "ui/kit/KitLabel.h"
#include "ui/kit/ProportionBar.h"
#include "ui/kit/Spacing.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

ProvenanceRow::ProvenanceRow(const ModuleGroup &group, double fraction, QWidget *parent)
    : GlassCard(Spacing::of(Space::inset), parent)
    , m_dot(new ColorDot(s_dotSize))
    , m_key(new KitLabel)
    , m_count(new KitLabel)
    , m_size(new KitLabel)
    , m_bar(new ProportionBar(s_barHeight, s_shortestBar))
{
    m_dot->setObjectName(QStringLiteral("provenanceDot"));
    m_key->setObjectName(QStringLiteral("provenanceKey"));
    m_key->setTextStyle(TextStyle::body, QFont::DemiBold);
    // Keys of folders outside the scanned root are whole paths; their ends tell them apart.
    m_key->setElideMode(Qt::ElideMiddle);
    m_key->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_count->setObjectName(QStringLiteral("provenanceCount"));
    m_count->setTint(Tint::Style::secondary);
    m_size->setObjectName(QStringLiteral("provenanceSize"));
    m_size->setTextStyle(TextStyle::body, QFont::Medium);
    m_size->setMonospacedDigits(true);
    m_size->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_bar->setObjectName(QStringLiteral("provenanceBar"));

    auto *line = new QHBoxLayout;
    line->setSpacing(Spacing::of(Space::standard));
    line->addWidget(m_dot, 0, Qt::AlignVCenter);
    line->addWidget(m_key, 1);
    line->addWidget(m_count, 0, Qt::AlignVCenter);
    line->addWidget(m_size, 0, Qt::AlignVCenter);

    auto *column = new QVBoxLayout;
    column->setSpacing(Spacing::of(Space::standard));
    column->addLayout(line);
    column->addWidget(m_bar);
    setContentLayout(column);

    setGroup(group, fraction);
}

void ProvenanceRow::setGroup(const ModuleGroup &group, double fraction)
{
    // A stream of records refills the rows many times, mostly with the keys they show.
    if (!m_keyShown || group.key != m_group.key) {
        m_keyShown = true;
        const QColor color = groupColor(group.key);
        m_dot->setColor(color);
        m_bar->setColor(color);
        m_key->setText(group.key);
        m_key->setToolTip(group.key);
    }
    // The records stay with the store: a row that held them would free thousands of them
    // on the GUI thread when a new scan lets them go.
    m_group.key = group.key;
    m_group.totalBytes = group.totalBytes;
    m_fraction = fraction;
    m_count->setText(folderCountText(group.modules.size()));
    m_size->setText(ByteFormat::string(group.totalBytes));
    m_bar->setFraction(fraction);
}

QColor ProvenanceRow::color() const
{
    return m_dot->color();
}

QString ProvenanceRow::folderCountText(qsizetype count)
{
    return QString::number(count) + (count == 1 ? QStringLiteral(" folder") : QStringLiteral(" folders"));
}
