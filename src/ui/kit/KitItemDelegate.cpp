#include "ui/kit/KitItemDelegate.h"

#include <QApplication>
#include <QPainter>

KitItemDelegate::Cell KitItemDelegate::beginCell(QPainter *painter, const QStyleOptionViewItem &option,
                                                 const QModelIndex &index) const
{
    Cell cell;
    cell.option = option;
    initStyleOption(&cell.option, index);
    const QStyleOptionViewItem &opt = cell.option;
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();

    // The background only: selection and hover from the style, the content drawn after.
    QStyleOptionViewItem background = opt;
    background.text.clear();
    background.icon = QIcon();
    background.features &= ~QStyleOptionViewItem::HasDisplay & ~QStyleOptionViewItem::HasDecoration;
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);

    cell.selected = opt.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
        : (opt.state & QStyle::State_Active)                                ? QPalette::Active
                                                                            : QPalette::Inactive;
    cell.primary = opt.palette.color(group, cell.selected ? QPalette::HighlightedText : QPalette::Text);
    const QVariant foreground = index.data(Qt::ForegroundRole);
    cell.text = !foreground.isValid() ? cell.primary
        : cell.selected               ? faded(cell.primary, 0.8)
                                      : foreground.value<QColor>();
    cell.secondary = faded(cell.primary, cell.selected ? 0.8 : 0.62);
    cell.area = opt.rect.adjusted(s_padding, 0, -s_padding, 0);
    return cell;
}

void KitItemDelegate::drawLine(QPainter *painter, const QRect &rect, const QFont &font, const QColor &color,
                               const QString &text, Qt::TextElideMode elide, Qt::Alignment alignment)
{
    painter->setFont(font);
    painter->setPen(color);
    const QFontMetrics metrics(font);
    const QString shown =
        metrics.horizontalAdvance(text) <= rect.width() ? text : metrics.elidedText(text, elide, rect.width());
    painter->drawText(rect, alignment | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

QColor KitItemDelegate::faded(QColor color, qreal alpha)
{
    color.setAlphaF(color.alphaF() * alpha);
    return color;
}
