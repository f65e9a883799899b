#include "core/modules/ModuleSortOrder.h"

// Placeholder until the scan store lands.
int ModuleComparator::compare(const NodeModule &, const NodeModule &) const
{
    return 0;
}

bool sortsBefore(const ModuleSortOrder &, const NodeModule &, const NodeModule &)
{
    return false;
}
