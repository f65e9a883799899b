#pragma once

#include "core/SortOrder.h"
#include "core/modules/NodeModule.h"

// The keys of the module table's sort order. Text keys compare by code point.
enum class ModuleSortKey { projectName, parentPath, reclaimableBytes, lastAccessed };

// a against b by key, in ascending order.
[[nodiscard]] int compareBy(ModuleSortKey key, const NodeModule &a, const NodeModule &b);

using ModuleComparator = SortComparator<NodeModule, ModuleSortKey>;
// Most significant comparator first.
using ModuleSortOrder = QList<ModuleComparator>;
