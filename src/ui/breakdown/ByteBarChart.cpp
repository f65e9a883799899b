#include "ui/breakdown/ByteBarChart.h"

#include "core/Assign.h"
#include "core/ByteFormat.h"
#include "ui/breakdown/ByteAxis.h"
#include "ui/kit/Theme.h"
#include "ui/kit/Tint.h"
#include "ui/kit/Typography.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

constexpr int s_mostIntervals = 6;
constexpr qreal s_labelGap = 12;     // between the category labels and the plot
constexpr qreal s_annotationGap = 6; // between a bar's end and its size
constexpr qreal s_axisGap = 5;       // between the plot and the axis labels
constexpr qreal s_markTextGap = 14;  // the least room between two axis labels
constexpr qreal s_thickestBar = 20;
constexpr qreal s_barShare = 0.62; // of a row's height, below the thickest
// The category labels give way to the bars beyond this share of the width.
constexpr qreal s_labelShare = 0.3;
constexpr qreal s_narrowestLabelColumn = 60;
// Past this many remembered texts the memory starts over, so it stays small however many
// scans run.
constexpr qsizetype s_mostRemembered = 4096;

template <typename Value, typename Make>
Value &remembered(QHash<QString, Value> &memory, const QString &key, Make make)
{
    auto found = memory.find(key);
    if (found == memory.end()) {
        if (memory.size() >= s_mostRemembered)
            memory.clear();
        found = memory.insert(key, make());
    }
    return found.value();
}

} // namespace

ByteBarChart::ByteBarChart(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(heightFor(0));
    updateFonts();
}

void ByteBarChart::setBars(const QList<Bar> &bars)
{
    if (!assignIfChanged(m_bars, bars))
        return;
    setFixedHeight(heightFor(m_bars.size()));
    invalidate();
}

int ByteBarChart::heightFor(qsizetype barCount)
{
    return int(std::max<qsizetype>(s_minimumHeight, s_rowHeight * barCount));
}

QSize ByteBarChart::sizeHint() const
{
    return {480, heightFor(m_bars.size())};
}

QSize ByteBarChart::minimumSizeHint() const
{
    return {200, heightFor(m_bars.size())};
}

const ByteBarChart::Layout &ByteBarChart::chartLayout() const
{
    // A hidden widget is resized without a resize event, so the size is checked here.
    if (!m_layout || m_layout->size != size())
        m_layout = layOut();
    return *m_layout;
}

ByteBarChart::Layout ByteBarChart::layOut() const
{
    Layout out;
    out.size = size();
    const qreal width = this->width();
    const QFontMetricsF captionMetrics(m_captionFont);

    qint64 largest = 0;
    qreal widestLabel = 0;
    qreal widestAnnotation = 0;
    for (const Bar &bar : m_bars) {
        largest = std::max(largest, bar.bytes);
        widestLabel = std::max(widestLabel, labelWidth(bar.label));
        out.annotationTexts.append(ByteFormat::string(std::max<qint64>(0, bar.bytes)));
        widestAnnotation = std::max(widestAnnotation, captionWidth(out.annotationTexts.last()));
    }

    const qreal labelColumn = std::ceil(std::min(widestLabel, std::max(s_narrowestLabelColumn, width * s_labelShare)));
    const qreal plotLeft = labelColumn > 0 ? labelColumn + s_labelGap : 0;
    // The largest bar can reach the plot's end; its size is written past it.
    const qreal plotRight = width - std::ceil(widestAnnotation + s_annotationGap);
    const qreal axisHeight = std::ceil(captionMetrics.height()) + s_axisGap;
    out.plot = QRectF(plotLeft, 0, std::max<qreal>(1, plotRight - plotLeft), std::max<qreal>(1, height() - axisHeight));

    // As many marks as fit with their texts apart; fewer on a narrow chart.
    QList<qint64> values;
    QStringList texts;
    for (int intervals = s_mostIntervals; intervals >= 1; --intervals) {
        values = ByteAxis::marks(largest, intervals);
        texts.clear();
        qreal widest = 0;
        for (const qint64 value : values) {
            texts.append(ByteFormat::string(value));
            widest = std::max(widest, captionWidth(texts.last()));
        }
        const qreal spacing = out.plot.width() / qreal(values.size() - 1);
        if (spacing >= widest + s_markTextGap)
            break;
    }
    out.domainMax = std::max<qint64>(1, values.last());
    const auto xOf = [&out](qint64 value) {
        return out.plot.left() + out.plot.width() * (double(std::max<qint64>(0, value)) / double(out.domainMax));
    };
    const qreal textTop = out.plot.bottom() + s_axisGap;
    for (qsizetype i = 0; i < values.size(); ++i) {
        Mark mark{values.at(i), texts.at(i), xOf(values.at(i)), {}, true};
        const qreal textWidth = captionWidth(mark.text);
        const qreal left = std::clamp(mark.x - textWidth / 2, 0.0, std::max(0.0, width - textWidth));
        mark.textRect = QRectF(left, textTop, textWidth, captionMetrics.height());
        out.marks.append(mark);
    }
    // Too narrow even for one step: labels that would collide give way, the last kept.
    for (qsizetype i = out.marks.size() - 2; i >= 0; --i) {
        qreal nextLeft = width;
        for (qsizetype j = i + 1; j < out.marks.size(); ++j) {
            if (out.marks.at(j).labelled) {
                nextLeft = out.marks.at(j).textRect.left();
                break;
            }
        }
        out.marks[i].labelled = out.marks.at(i).textRect.right() + s_markTextGap / 2 <= nextLeft;
    }

    if (m_bars.isEmpty())
        return out;
    const qreal band = out.plot.height() / qreal(m_bars.size());
    const qreal thickness = std::min(s_thickestBar, std::round(band * s_barShare));
    const qreal captionHeight = captionMetrics.height();
    for (qsizetype i = 0; i < m_bars.size(); ++i) {
        const qreal middle = out.plot.top() + band * (qreal(i) + 0.5);
        const qreal end = xOf(m_bars.at(i).bytes);
        out.bars.append(QRectF(out.plot.left(), std::round(middle - thickness / 2), end - out.plot.left(), thickness));
        out.labels.append(QRectF(0, middle - band / 2, labelColumn, band));
        out.labelTexts.append(elidedLabel(m_bars.at(i).label, labelColumn));
        out.annotations.append(QRectF(end + s_annotationGap, middle - captionHeight / 2,
                                      captionWidth(out.annotationTexts.at(i)), captionHeight));
    }
    return out;
}

qreal ByteBarChart::labelWidth(const QString &label) const
{
    return remembered(m_labelWidths, label, [&] { return QFontMetricsF(m_labelFont).horizontalAdvance(label); });
}

qreal ByteBarChart::captionWidth(const QString &text) const
{
    return remembered(m_captionWidths, text, [&] { return QFontMetricsF(m_captionFont).horizontalAdvance(text); });
}

const QString &ByteBarChart::elidedLabel(const QString &label, qreal width) const
{
    Elided &elided = remembered(m_elidedLabels, label, [] { return Elided{}; });
    if (elided.width != width) {
        elided.width = width;
        elided.text = QFontMetricsF(m_labelFont).elidedText(label, Qt::ElideMiddle, width);
    }
    return elided.text;
}

void ByteBarChart::invalidate()
{
    m_layout.reset();
    update();
}

void ByteBarChart::updateFonts()
{
    m_labelFont = Typography::font(TextStyle::callout);
    m_captionFont = Typography::monospacedDigits(Typography::font(TextStyle::caption));
    m_labelWidths.clear();
    m_captionWidths.clear();
    m_elidedLabels.clear();
    invalidate();
}

bool ByteBarChart::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ApplicationFontChange:
        updateFonts();
        break;
    case QEvent::ToolTip: {
        const auto *help = static_cast<QHelpEvent *>(event);
        const Layout &layout = chartLayout();
        for (qsizetype i = 0; i < layout.bars.size(); ++i) {
            const QRectF row = layout.labels.at(i);
            if (help->pos().y() >= row.top() && help->pos().y() < row.bottom() && !m_bars.at(i).toolTip.isEmpty()) {
                QToolTip::showText(help->globalPos(), m_bars.at(i).toolTip, this, row.toAlignedRect());
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    default:
        break;
    }
    return QWidget::event(event);
}

void ByteBarChart::paintEvent(QPaintEvent *event)
{
    const Layout &layout = chartLayout();
    const QRectF dirty = event->rect();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor secondary = Tint(Tint::Style::secondary).resolve(palette());

    // Grid lines on whole pixels, so they stay one crisp pixel wide.
    painter.setPen(QPen(Theme::separator(palette()), 1));
    for (const Mark &mark : layout.marks) {
        const qreal x = std::floor(mark.x) + 0.5;
        painter.drawLine(QPointF(x, layout.plot.top()), QPointF(x, layout.plot.bottom()));
    }

    painter.setFont(m_captionFont);
    painter.setPen(secondary);
    for (const Mark &mark : layout.marks) {
        if (mark.labelled)
            painter.drawText(mark.textRect.adjusted(0, 0, 1, 0), Qt::AlignLeft | Qt::AlignTop, mark.text);
    }

    for (qsizetype i = 0; i < layout.bars.size(); ++i) {
        const QRectF row = layout.labels.at(i);
        if (row.bottom() < dirty.top() || row.top() > dirty.bottom())
            continue;
        painter.setFont(m_labelFont);
        painter.setPen(secondary);
        painter.drawText(row, Qt::AlignLeft | Qt::AlignVCenter, layout.labelTexts.at(i));

        const QRectF bar = layout.bars.at(i);
        if (bar.width() > 0) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(m_bars.at(i).color);
            painter.drawRoundedRect(bar, s_cornerRadius, s_cornerRadius);
        }

        painter.setFont(m_captionFont);
        painter.setPen(secondary);
        painter.drawText(layout.annotations.at(i).adjusted(0, 0, 1, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         layout.annotationTexts.at(i));
    }
}
