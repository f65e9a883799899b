#pragma once

#include "core/processes/NodeProcess.h"

#include <QList>
#include <Qt>

// One key of the process table's sort order. Text keys compare by code point.
struct ProcessComparator
{
    enum class Key { pid, kind, command, portsText, memoryBytes, elapsedSeconds };

    Key key = Key::memoryBytes;
    Qt::SortOrder order = Qt::DescendingOrder;

    // <0, 0 or >0 as a sorts before, with or after b under this comparator.
    [[nodiscard]] int compare(const NodeProcess &a, const NodeProcess &b) const;

    friend bool operator==(const ProcessComparator &, const ProcessComparator &) = default;
};

// Most significant comparator first.
using ProcessSortOrder = QList<ProcessComparator>;

// True when a sorts before b: the first comparator that tells them apart decides.
[[nodiscard]] bool sortsBefore(const ProcessSortOrder &order, const NodeProcess &a, const NodeProcess &b);
