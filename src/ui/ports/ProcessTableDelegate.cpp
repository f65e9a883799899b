#include "ui/ports/ProcessTableDelegate.h"

#include "ui/kit/SymbolLabel.h"
#include "ui/kit/Typography.h"
#include "ui/ports/ProcessTableModel.h"

#include <QApplication>
#include <QPainter>

namespace {

constexpr int s_lineGap = 1;
constexpr int s_iconGap = 6;

QColor faded(QColor color, qreal alpha)
{
    color.setAlphaF(color.alphaF() * alpha);
    return color;
}

void drawLine(QPainter *painter, const QRect &rect, const QFont &font, const QColor &color, const QString &text,
              Qt::TextElideMode elide)
{
    painter->setFont(font);
    painter->setPen(color);
    const QFontMetrics metrics(font);
    const QString shown = metrics.horizontalAdvance(text) <= rect.width()
                              ? text
                              : metrics.elidedText(text, elide, rect.width());
    painter->drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

} // namespace

int ProcessTableDelegate::rowHeight()
{
    const int command = QFontMetrics(Typography::font(TextStyle::body)).height();
    const int directory = QFontMetrics(Typography::font(TextStyle::caption2)).height();
    return command + s_lineGap + directory + 8;
}

QSize ProcessTableDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize hint = QStyledItemDelegate::sizeHint(option, index);
    hint.setHeight(rowHeight());
    return hint;
}

void ProcessTableDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();

    // The background only: selection and hover from the style, the content drawn below.
    QStyleOptionViewItem background = opt;
    background.text.clear();
    background.icon = QIcon();
    background.features &= ~QStyleOptionViewItem::HasDisplay & ~QStyleOptionViewItem::HasDecoration;
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);

    const bool selected = opt.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Active
                                                                            : QPalette::Inactive;
    const QColor primary = opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    const QVariant foreground = index.data(Qt::ForegroundRole);
    // A cell in the secondary style keeps that look on the highlight, just lighter.
    const QColor text = !foreground.isValid() ? primary
                        : selected           ? faded(primary, 0.8)
                                             : foreground.value<QColor>();
    const QRect area = opt.rect.adjusted(s_padding, 0, -s_padding, 0);

    painter->save();
    painter->setClipRect(opt.rect);
    switch (index.column()) {
    case ProcessTableModel::StatusColumn: {
        const int side = SymbolLabel::sizeFor(TextStyle::caption);
        const QRect symbol(opt.rect.center().x() - side / 2 + 1, opt.rect.center().y() - side / 2 + 1, side, side);
        opt.icon.paint(painter, symbol, Qt::AlignCenter, QIcon::Normal);
        break;
    }
    case ProcessTableModel::TypeColumn: {
        const int side = SymbolLabel::sizeFor(TextStyle::body);
        const QRect symbol(area.left(), area.center().y() - side / 2 + 1, side, side);
        opt.icon.paint(painter, symbol, Qt::AlignCenter, selected ? QIcon::Selected : QIcon::Normal);
        drawLine(painter, area.adjusted(side + s_iconGap, 0, 0, 0), opt.font, text, opt.text, Qt::ElideRight);
        break;
    }
    case ProcessTableModel::CommandColumn: {
        const QFont commandFont = Typography::font(TextStyle::body);
        const QVariant directory = index.data(ProcessTableModel::DirectoryRole);
        if (!directory.isValid()) {
            drawLine(painter, area, commandFont, text, opt.text, Qt::ElideMiddle);
            break;
        }
        const QFont directoryFont = Typography::font(TextStyle::caption2);
        const int top = QFontMetrics(commandFont).height();
        const int bottom = QFontMetrics(directoryFont).height();
        const int y = area.top() + (area.height() - top - s_lineGap - bottom) / 2;
        drawLine(painter, QRect(area.left(), y, area.width(), top), commandFont, text, opt.text, Qt::ElideMiddle);
        drawLine(painter, QRect(area.left(), y + top + s_lineGap, area.width(), bottom), directoryFont,
                 faded(primary, selected ? 0.8 : 0.62), directory.toString(), Qt::ElideMiddle);
        break;
    }
    default:
        drawLine(painter, area, opt.font, text, opt.text, Qt::ElideRight);
        break;
    }
    painter->restore();
}
