#include "ui/support/RowSelection.h"

#include <QItemSelectionModel>

#include <algorithm>

namespace RowSelection {

bool select(QItemSelectionModel *selection, QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // std::equal, not ==: Qt 6.4 compares empty lists with memcmp on null pointers.
    if (std::ranges::equal(selected(selection), rows))
        return false;
    const QAbstractItemModel *model = selection->model();
    const int lastColumn = model->columnCount() - 1;
    QItemSelection ranges;
    for (qsizetype at = 0; at < rows.size(); ++at) {
        const int first = rows.at(at);
        while (at + 1 < rows.size() && rows.at(at + 1) == rows.at(at) + 1)
            ++at;
        ranges.select(model->index(first, 0), model->index(rows.at(at), lastColumn));
    }
    selection->select(ranges, QItemSelectionModel::ClearAndSelect);
    return true;
}

QList<int> selected(const QItemSelectionModel *selection)
{
    QList<int> rows;
    for (const QItemSelectionRange &range : selection->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

} // namespace RowSelection
