#include "ui/breakdown/ProvenanceView.h"

#include "core/ByteFormat.h"
#include "core/modules/ScanStore.h"
#include "ui/breakdown/ByteBarChart.h"
#include "ui/breakdown/ProvenanceRow.h"
#include "ui/kit/ContentUnavailableView.h"
#include "ui/kit/GlassCard.h"
#include "ui/kit/GlassLook.h"
#include "ui/kit/GroupColor.h"
#include "ui/kit/KitLabel.h"
#include "ui/kit/Spacing.h"
#include "ui/support/CoalescedUpdate.h"

#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr qsizetype s_rowsShownOneByOne = 8;

} // namespace

ProvenanceView::ProvenanceView(ScanStore &store, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
{
    KitLabel *title = KitLabel::screenTitle(QStringLiteral("Breakdown"));

    m_placeholder = new ContentUnavailableView(
        QStringLiteral("Nothing to chart"), QStringLiteral("chart.bar.xaxis"),
        QStringLiteral("Run a scan in Disk cleanup to see where your node_modules come from."));
    m_placeholder->setObjectName(QStringLiteral("breakdownPlaceholder"));

    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("breakdownContent"));
    auto *parts = new QVBoxLayout(content);
    parts->setContentsMargins(Spacing::margins(Space::section));
    parts->setSpacing(Spacing::of(Space::card));
    parts->addWidget(header());
    parts->addWidget(chartCard());
    parts->addWidget(breakdown());
    parts->addStretch(1);

    m_scroll = new QScrollArea;
    m_scroll->setObjectName(QStringLiteral("breakdownScroll"));
    GlassLook::scrollOver(m_scroll, content);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(title);
    layout->addWidget(m_placeholder, 1);
    layout->addWidget(m_scroll, 1);

    m_refresh = new CoalescedUpdate([this] { refresh(); }, this);
    connect(&m_store, &ScanStore::modulesChanged, this, &ProvenanceView::scheduleRefresh);
    refresh();
}

QWidget *ProvenanceView::header()
{
    auto *part = new QWidget;
    part->setObjectName(QStringLiteral("breakdownHeader"));
    QVBoxLayout *layout = Spacing::stack(part, Space::tight);
    auto *heading = new KitLabel(QStringLiteral("Where your node_modules come from"), TextStyle::title2);
    heading->setObjectName(QStringLiteral("breakdownHeading"));
    heading->setTextStyle(TextStyle::title2, QFont::DemiBold);
    m_summary = new KitLabel;
    m_summary->setObjectName(QStringLiteral("breakdownSummary"));
    m_summary->setTint(Tint::Style::secondary);
    m_summary->setElideMode(Qt::ElideRight);
    layout->addWidget(heading);
    layout->addWidget(m_summary);
    return part;
}

QWidget *ProvenanceView::chartCard()
{
    auto *card = new GlassCard(Spacing::of(Space::card));
    card->setObjectName(QStringLiteral("chartCard"));
    m_chart = new ByteBarChart;
    m_chart->setObjectName(QStringLiteral("breakdownChart"));
    m_chart->setAccessibleName(QStringLiteral("Size by Folder"));
    card->setContent(m_chart);
    return card;
}

QWidget *ProvenanceView::breakdown()
{
    auto *part = new QWidget;
    part->setObjectName(QStringLiteral("breakdownList"));
    QVBoxLayout *layout = Spacing::stack(part, Space::group);
    auto *heading = new KitLabel(QStringLiteral("Breakdown"), TextStyle::headline);
    heading->setObjectName(QStringLiteral("breakdownListHeading"));
    layout->addWidget(heading);
    auto *rows = new QWidget;
    m_rowList = Spacing::stack(rows, Space::group);
    layout->addWidget(rows);
    return part;
}

QString ProvenanceView::summaryText(qsizetype folders, qsizetype groups, qint64 bytes)
{
    return QStringLiteral("%1 folders across %2 top-level locations · %3 total")
        .arg(folders)
        .arg(groups)
        .arg(ByteFormat::string(bytes));
}

double ProvenanceView::fraction(qint64 groupBytes, qint64 maxBytes)
{
    return maxBytes > 0 ? double(groupBytes) / double(maxBytes) : 0.0;
}

void ProvenanceView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_refresh->isPending())
        m_refresh->flush();
    else if (m_stale)
        refresh();
}

void ProvenanceView::scheduleRefresh()
{
    m_stale = true;
    if (!isVisible())
        return;
    // An isolated change (a deletion, the first record) shows on the next turn of the event
    // loop; a stream of them is gathered into one rebuild per interval.
    const qint64 since = m_sinceRefresh.isValid() ? m_sinceRefresh.elapsed() : s_refreshInterval;
    m_refresh->request(std::chrono::milliseconds(std::clamp<qint64>(s_refreshInterval - since, 0, s_refreshInterval)));
}

void ProvenanceView::refresh()
{
    m_stale = false;
    m_sinceRefresh.start();
    ++m_refreshCount;

    const QList<ModuleGroup> groups = m_store.groups();
    m_placeholder->setVisible(groups.isEmpty());
    m_scroll->setVisible(!groups.isEmpty());

    qint64 maxBytes = groups.isEmpty() ? 1 : 0;
    for (const ModuleGroup &group : groups)
        maxBytes = std::max(maxBytes, group.totalBytes);
    m_summary->setText(summaryText(m_store.modules().size(), groups.size(), m_store.totalBytes()));

    QList<ByteBarChart::Bar> bars;
    bars.reserve(groups.size());
    for (const ModuleGroup &group : groups) {
        // The chart's two values are named Folder and Size; the tooltip also gives the
        // whole key where the chart had to shorten it.
        bars.append({group.key, group.totalBytes, groupColor(group.key),
                     QStringLiteral("Folder: %1\nSize: %2 (%3)")
                         .arg(group.key, ByteFormat::string(group.totalBytes),
                              ProvenanceRow::folderCountText(group.modules.size()))});
    }
    m_chart->setBars(bars);

    // Rows are reused in place: the nth row shows the nth group, whatever its key, so a
    // stream that reorders the groups or a new scan costs new texts, not new widgets.
    // Rows left over are hidden. With no groups the whole list is out of sight: its rows
    // stay as they are, so a new scan refills them instead of hiding and showing them all
    // again. Showing or hiding rows one by one in a visible list relays the whole list each
    // time, so many are shown or hidden in one go.
    QWidget *list = m_rowList->parentWidget();
    const qsizetype shown = groups.isEmpty() ? m_rows.size() : groups.size();
    qsizetype flips = 0;
    for (qsizetype index = 0; index < m_rows.size(); ++index)
        flips += m_rows.at(index)->isHidden() == (index < shown) ? 1 : 0;
    const bool batch = flips > s_rowsShownOneByOne && !list->isHidden();
    if (batch)
        list->hide();
    for (qsizetype index = 0; index < groups.size(); ++index) {
        const ModuleGroup &group = groups.at(index);
        if (index == m_rows.size()) {
            m_rows.append(new ProvenanceRow(group, fraction(group.totalBytes, maxBytes)));
            m_rowList->addWidget(m_rows.last());
        } else {
            m_rows.at(index)->setGroup(group, fraction(group.totalBytes, maxBytes));
            m_rows.at(index)->show();
        }
    }
    for (qsizetype index = shown; index < m_rows.size(); ++index)
        m_rows.at(index)->hide();
    if (batch)
        list->show();
}
