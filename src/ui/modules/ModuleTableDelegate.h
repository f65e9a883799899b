#pragma once

#include "ui/kit/KitItemDelegate.h"

// Draws the cells of the node_modules table: the project name in medium weight followed by
// the link symbol for a symbolic link (its explanation as the symbol's tooltip), the parent
// path truncated in the middle, sizes and dates in monospaced digits. Every row has the
// same height (rowHeight). GUI thread.
class ModuleTableDelegate : public KitItemDelegate
{
    Q_OBJECT

public:
    using KitItemDelegate::KitItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

    [[nodiscard]] static int rowHeight();

private:
    // Where the link symbol of a project cell lies, or an empty rect for a real folder.
    [[nodiscard]] static QRect linkSymbolRect(const QStyleOptionViewItem &option, const QModelIndex &index);
};
