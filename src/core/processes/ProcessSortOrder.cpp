#include "core/processes/ProcessSortOrder.h"

// Placeholder until the process store lands.
int ProcessComparator::compare(const NodeProcess &, const NodeProcess &) const
{
    return 0;
}

bool sortsBefore(const ProcessSortOrder &, const NodeProcess &, const NodeProcess &)
{
    return false;
}
