#pragma once

#include <QList>

#include <optional>

class QItemSelectionModel;

// Whole-row selections given as row numbers, for views whose selection is bound to a set
// of record ids in a store. GUI thread.
namespace RowSelection {
// Selects exactly rows (any order, across every column) and returns true, or returns false
// and touches nothing when exactly those rows are selected already.
bool select(QItemSelectionModel *selection, QList<int> rows);
// The rows with a selected cell, ascending.
[[nodiscard]] QList<int> selected(const QItemSelectionModel *selection);
// The rows of ids that rowOf (an id to an optional row) finds; ids without a row are left out.
template <typename Ids, typename RowOf>
[[nodiscard]] QList<int> rowsOf(const Ids &ids, RowOf rowOf)
{
    QList<int> rows;
    rows.reserve(ids.size());
    for (const auto &id : ids) {
        if (const std::optional<int> row = rowOf(id))
            rows.append(*row);
    }
    return rows;
}
} // namespace RowSelection
