#include "ui/modules/ModuleTableDelegate.h"

#include "ui/kit/SymbolLabel.h"
#include "ui/kit/Typography.h"
#include "ui/modules/ModuleTableModel.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace {
constexpr int s_symbolGap = 5;
} // namespace

int ModuleTableDelegate::rowHeight()
{
    return QFontMetrics(Typography::font(TextStyle::body)).height() + 14;
}

QRect ModuleTableDelegate::linkSymbolRect(const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (index.column() != ModuleTableModel::ProjectColumn || !index.data(Qt::DecorationRole).isValid())
        return {};
    const QRect area = option.rect.adjusted(s_padding, 0, -s_padding, 0);
    const QFont font = index.data(Qt::FontRole).value<QFont>();
    const int side = SymbolLabel::sizeFor(TextStyle::caption);
    // The symbol follows the name, or sits at the end when the name fills the cell.
    const int name = QFontMetrics(font).horizontalAdvance(index.data().toString());
    const int left = std::min(area.left() + name + s_symbolGap, area.right() - side);
    return QRect(left, area.center().y() - side / 2 + 1, side, side);
}

void ModuleTableDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const Cell cell = beginCell(painter, option, index);
    const QStyleOptionViewItem &opt = cell.option;

    painter->save();
    painter->setClipRect(opt.rect);
    switch (index.column()) {
    case ModuleTableModel::ProjectColumn: {
        const QRect symbol = linkSymbolRect(opt, index);
        const QRect name = symbol.isEmpty() ? cell.area : cell.area.adjusted(0, 0, -(symbol.width() + s_symbolGap), 0);
        drawLine(painter, name, opt.font, cell.text, opt.text, Qt::ElideRight);
        if (!symbol.isEmpty())
            opt.icon.paint(painter, symbol, Qt::AlignCenter, QIcon::Normal);
        break;
    }
    case ModuleTableModel::PathColumn:
        drawLine(painter, cell.area, opt.font, cell.text, opt.text, Qt::ElideMiddle);
        break;
    default:
        drawLine(painter, cell.area, opt.font, cell.text, opt.text, Qt::ElideRight);
        break;
    }
    painter->restore();
}

bool ModuleTableDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                                    const QModelIndex &index)
{
    if (event->type() != QEvent::ToolTip || index.column() != ModuleTableModel::ProjectColumn)
        return KitItemDelegate::helpEvent(event, view, option, index);
    // On the project cell the explanation belongs to the link symbol alone.
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QRect symbol = linkSymbolRect(opt, index);
    if (symbol.contains(event->pos())) {
        QToolTip::showText(event->globalPos(), index.data(Qt::ToolTipRole).toString(), view->viewport(), symbol);
        return true;
    }
    QToolTip::hideText();
    event->ignore();
    return false;
}
