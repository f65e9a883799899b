#include "core/processes/PortHolder.h"

QString PortHolder::description() const
{
    if (!pid)
        return QStringLiteral("%1 is held by another user's process").arg(port);
    return QStringLiteral("%1 is held by %2 (pid %3), not a Node process").arg(port).arg(name).arg(*pid);
}
