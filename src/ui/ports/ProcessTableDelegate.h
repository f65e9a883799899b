#pragma once

#include "ui/kit/KitItemDelegate.h"

// Draws the cells of the process table: the status symbol centred, the kind symbol beside
// its name, numbers in monospaced digits, and the command over its working directory, both
// truncated in the middle. Every row has the same height (rowHeight), so a long list lays
// out without measuring each row. GUI thread.
class ProcessTableDelegate : public KitItemDelegate
{
    Q_OBJECT

public:
    using KitItemDelegate::KitItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // Room for a command line over a directory line, with some air above and below.
    [[nodiscard]] static int rowHeight();
};
