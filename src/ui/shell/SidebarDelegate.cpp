#include "ui/shell/SidebarDelegate.h"

#include "ui/kit/Theme.h"

#include <QPainter>

namespace {
constexpr int s_rowHeight = 32;
constexpr int s_iconSize = 16;
constexpr int s_inset = 10;
constexpr int s_gap = 9;
} // namespace

void SidebarDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QPalette &palette = option.palette;
    const bool selected = option.state & QStyle::State_Selected;
    const bool hovered = option.state & QStyle::State_MouseOver;
    const bool dark = Theme::isDark(palette);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRectF row = QRectF(option.rect).adjusted(0, 1, 0, -1);
    if (selected || hovered) {
        QColor fill = palette.color(QPalette::WindowText);
        fill.setAlphaF(selected ? (dark ? 0.14 : 0.09) : 0.05);
        painter->setPen(Qt::NoPen);
        painter->setBrush(fill);
        painter->drawRoundedRect(row, 7, 7);
    }

    // The icons carry the accent colour, the titles the text colour.
    const QIcon icon = qvariant_cast<QIcon>(index.data(Qt::DecorationRole));
    const QRect iconRect(option.rect.left() + s_inset, option.rect.center().y() - s_iconSize / 2 + 1, s_iconSize,
                         s_iconSize);
    QPixmap tinted = icon.pixmap(QSize(s_iconSize, s_iconSize), painter->device()->devicePixelRatioF());
    {
        QPainter recolour(&tinted);
        recolour.setCompositionMode(QPainter::CompositionMode_SourceIn);
        recolour.fillRect(tinted.rect(), palette.color(QPalette::Active, QPalette::Highlight));
    }
    painter->drawPixmap(iconRect, tinted);

    QFont font = option.font;
    if (selected)
        font.setWeight(QFont::DemiBold);
    painter->setFont(font);
    painter->setPen(palette.color(QPalette::WindowText));
    const QRect textRect = option.rect.adjusted(s_inset + s_iconSize + s_gap, 0, -s_inset, 0);
    painter->drawText(
        textRect, Qt::AlignVCenter | Qt::AlignLeft,
        QFontMetrics(font).elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, textRect.width()));
    painter->restore();
}

QSize SidebarDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(qMax(size.height(), s_rowHeight));
    return size;
}
