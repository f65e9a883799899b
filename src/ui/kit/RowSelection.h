#pragma once

#include <QList>

class QItemSelectionModel;

// Whole-row selections given as row numbers, for views whose selection is bound to a set
// of record ids in a store. GUI thread.
namespace RowSelection {
// Selects exactly rows (any order, across every column) and returns true, or returns false
// and touches nothing when exactly those rows are selected already.
bool select(QItemSelectionModel *selection, QList<int> rows);
// The rows with a selected cell, ascending.
[[nodiscard]] QList<int> selected(const QItemSelectionModel *selection);
} // namespace RowSelection
