#include "ui/ports/ProcessTableDelegate.h"

#include "ui/kit/Spacing.h"
#include "ui/kit/SymbolLabel.h"
#include "ui/kit/Typography.h"
#include "ui/ports/ProcessTableModel.h"

#include <QPainter>

namespace {

constexpr int s_lineGap = 1;

} // namespace

int ProcessTableDelegate::rowHeight()
{
    const int command = QFontMetrics(Typography::font(TextStyle::body)).height();
    const int directory = QFontMetrics(Typography::font(TextStyle::caption2)).height();
    return command + s_lineGap + directory + Spacing::of(Space::standard);
}

void ProcessTableDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const Cell cell = beginCell(painter, option, index);
    const QStyleOptionViewItem &opt = cell.option;
    const bool selected = cell.selected;
    const QColor &text = cell.text;
    const QRect &area = cell.area;

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
        const int gap = Spacing::of(Space::related, opt.widget);
        drawLine(painter, area.adjusted(side + gap, 0, 0, 0), opt.font, text, opt.text, Qt::ElideRight);
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
        drawLine(painter, QRect(area.left(), y + top + s_lineGap, area.width(), bottom), directoryFont, cell.secondary,
                 directory.toString(), Qt::ElideMiddle);
        break;
    }
    default:
        drawLine(painter, area, opt.font, text, opt.text, Qt::ElideRight);
        break;
    }
    painter->restore();
}
