#include "core/processes/ProcessSortOrder.h"

#include "core/TextOrder.h"

int compareBy(ProcessSortKey key, const NodeProcess &a, const NodeProcess &b)
{
    using Key = ProcessSortKey;
    switch (key) {
    case Key::pid:
        return threeWay(a.pid, b.pid);
    case Key::kind:
        return TextOrder::compareCodePoints(NodeProcess::rawValue(a.kind), NodeProcess::rawValue(b.kind));
    case Key::command:
        return TextOrder::compareCodePoints(a.command, b.command);
    case Key::portsText:
        return TextOrder::compareCodePoints(a.portsText(), b.portsText());
    case Key::memoryBytes:
        return threeWay(a.memoryBytes(), b.memoryBytes());
    case Key::elapsedSeconds:
        return threeWay(a.elapsedSeconds, b.elapsedSeconds);
    }
    return 0;
}
