#pragma once

#include "core/modules/NodeModule.h"

#include <QList>
#include <Qt>

// One key of the module table's sort order. Text keys compare by code point.
struct ModuleComparator
{
    enum class Key { projectName, parentPath, reclaimableBytes, lastAccessed };

    Key key = Key::reclaimableBytes;
    Qt::SortOrder order = Qt::DescendingOrder;

    // <0, 0 or >0 as a sorts before, with or after b under this comparator.
    [[nodiscard]] int compare(const NodeModule &a, const NodeModule &b) const;

    friend bool operator==(const ModuleComparator &, const ModuleComparator &) = default;
};

// Most significant comparator first.
using ModuleSortOrder = QList<ModuleComparator>;

// True when a sorts before b: the first comparator that tells them apart decides.
[[nodiscard]] bool sortsBefore(const ModuleSortOrder &order, const NodeModule &a, const NodeModule &b);
