#include "core/processes/ProcessSortOrder.h"

#include "core/TextOrder.h"

namespace {

template <typename T>
int threeWay(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

int ProcessComparator::compare(const NodeProcess &a, const NodeProcess &b) const
{
    int result = 0;
    switch (key) {
    case Key::pid:
        result = threeWay(a.pid, b.pid);
        break;
    case Key::kind:
        result = TextOrder::compareCodePoints(NodeProcess::rawValue(a.kind), NodeProcess::rawValue(b.kind));
        break;
    case Key::command:
        result = TextOrder::compareCodePoints(a.command, b.command);
        break;
    case Key::portsText:
        result = TextOrder::compareCodePoints(a.portsText(), b.portsText());
        break;
    case Key::memoryBytes:
        result = threeWay(a.memoryBytes(), b.memoryBytes());
        break;
    case Key::elapsedSeconds:
        result = threeWay(a.elapsedSeconds, b.elapsedSeconds);
        break;
    }
    return order == Qt::AscendingOrder ? result : -result;
}

bool sortsBefore(const ProcessSortOrder &order, const NodeProcess &a, const NodeProcess &b)
{
    for (const ProcessComparator &comparator : order) {
        if (const int result = comparator.compare(a, b); result != 0)
            return result < 0;
    }
    return false;
}
