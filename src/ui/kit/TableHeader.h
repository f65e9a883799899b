#pragma once

#include <QHeaderView>

// The horizontal header of the kit's tables, drawn by the style: titles aligned left and
// the style's sort indicator on the sorted column. Sections are clickable; what a click
// means is up to the table.
class TableHeader : public QHeaderView
{
    Q_OBJECT

public:
    explicit TableHeader(QWidget *parent = nullptr);
};
