#pragma once

#include "core/SortOrder.h"
#include "core/processes/NodeProcess.h"

// The keys of the process table's sort order. Text keys compare by code point.
enum class ProcessSortKey { pid, kind, command, portsText, memoryBytes, elapsedSeconds };

// a against b by key, in ascending order.
[[nodiscard]] int compareBy(ProcessSortKey key, const NodeProcess &a, const NodeProcess &b);

using ProcessComparator = SortComparator<NodeProcess, ProcessSortKey>;
// Most significant comparator first.
using ProcessSortOrder = QList<ProcessComparator>;
