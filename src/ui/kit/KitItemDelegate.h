#pragma once

#include <QStyledItemDelegate>

// The ground of delegates that draw their cells themselves in the kit's look: the style
// draws the row's background (selection, hover, stripes), then the subclass draws its text
// and symbols with drawLine in the colours the cell resolves to. GUI thread.
class KitItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static constexpr int s_padding = 6;

protected:
    // One cell about to be drawn, its background already painted.
    struct Cell
    {
        QStyleOptionViewItem option;
        bool selected = false;
        // The primary text colour of the row (highlighted text when selected).
        QColor primary;
        // The cell's Qt::ForegroundRole colour, or primary; a coloured cell keeps its look on
        // the highlight, just lighter.
        QColor text;
        // The secondary text colour on this row.
        QColor secondary;
        // The cell less the padding at its sides.
        QRect area;
    };

    // Paints the background of index and returns what its content is drawn with.
    Cell beginCell(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const;

    // One line of text, vertically centred in rect, elided as elide says when too long.
    static void drawLine(QPainter *painter, const QRect &rect, const QFont &font, const QColor &color,
                         const QString &text, Qt::TextElideMode elide, Qt::Alignment alignment = Qt::AlignLeft);
    [[nodiscard]] static QColor faded(QColor color, qreal alpha);
};
