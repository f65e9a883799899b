#pragma once

#include <QHeaderView>

// The horizontal header of the kit's tables: titles in the caption font at semibold
// weight in the secondary text colour over no fill, a chevron on the sorted column, faint
// separators between columns and a hairline beneath. Sections are clickable; what a click
// means is up to the table.
class TableHeader : public QHeaderView
{
    Q_OBJECT

public:
    explicit TableHeader(QWidget *parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    bool event(QEvent *event) override;
};
