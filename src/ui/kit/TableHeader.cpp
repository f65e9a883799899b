#include "ui/kit/TableHeader.h"

TableHeader::TableHeader(QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
{
    // The style draws the sections, their titles and the sort indicator, as in every other
    // application on the desktop.
    setSectionsClickable(true);
    setHighlightSections(false);
    setSortIndicatorShown(true);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}
