#include "ui/kit/TableHeader.h"

#include "ui/kit/Theme.h"
#include "ui/kit/Tint.h"
#include "ui/kit/Typography.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int s_padding = 6;
constexpr int s_chevron = 7;
} // namespace

TableHeader::TableHeader(QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
{
    setFont(Typography::font(TextStyle::caption, QFont::DemiBold));
    setSectionsClickable(true);
    setHighlightSections(false);
    setSortIndicatorShown(true);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setAttribute(Qt::WA_Hover);
    // The table's own surface shows through, as it does under the rows.
    viewport()->setAutoFillBackground(false);
}

QSize TableHeader::sizeHint() const
{
    QSize hint = QHeaderView::sizeHint();
    hint.setHeight(QFontMetrics(font()).height() + 12);
    return hint;
}

bool TableHeader::event(QEvent *event)
{
    if (event->type() == QEvent::ApplicationFontChange) {
        setFont(Typography::font(TextStyle::caption, QFont::DemiBold));
        updateGeometry();
    }
    return QHeaderView::event(event);
}

void TableHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    painter->save();
    const QPalette &pal = palette();
    const bool sorted = isSortIndicatorShown() && sortIndicatorSection() == logicalIndex;

    const QString title = model() ? model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString()
                                  : QString();
    painter->setFont(font());
    painter->setPen(Tint(sorted ? Tint::Style::primary : Tint::Style::secondary).resolve(pal));
    QRect textRect = rect.adjusted(s_padding, 0, -s_padding, 0);
    if (sorted)
        textRect.setRight(textRect.right() - s_chevron - 4);
    const QString shown = painter->fontMetrics().elidedText(title, Qt::ElideRight, textRect.width());
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, shown);

    if (sorted && !title.isEmpty()) {
        // Up for ascending, down for descending, placed just after the title.
        const int textWidth = painter->fontMetrics().horizontalAdvance(shown);
        const qreal x = qMin(textRect.left() + textWidth + 5, textRect.right() + 4);
        const qreal cy = rect.center().y() + 0.5;
        const qreal half = s_chevron / 2.0;
        const qreal rise = sortIndicatorOrder() == Qt::AscendingOrder ? -half / 2 : half / 2;
        QPainterPath chevron;
        chevron.moveTo(x, cy - rise);
        chevron.lineTo(x + half, cy + rise);
        chevron.lineTo(x + 2 * half, cy - rise);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(Tint(Tint::Style::secondary).resolve(pal), 1.5, Qt::SolidLine, Qt::RoundCap,
                             Qt::RoundJoin));
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(chevron);
        painter->setRenderHint(QPainter::Antialiasing, false);
    }

    const QColor line = Theme::separator(pal);
    if (visualIndex(logicalIndex) < count() - 1) {
        const int inset = rect.height() / 4;
        painter->fillRect(QRect(rect.right(), rect.top() + inset, 1, rect.height() - 2 * inset), line);
    }
    painter->fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), line);
    painter->restore();
}
