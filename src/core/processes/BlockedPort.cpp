#include "core/processes/BlockedPort.h"

QString BlockedPort::summary() const
{
    if (processes.isEmpty())
        return QStringLiteral("in use");
    const NodeProcess &first = processes.first();
    QString text = NodeProcess::rawValue(first.kind) + QStringLiteral(" · ") + first.elapsedText();
    if (processes.size() > 1)
        text += QStringLiteral(" (+%1 more)").arg(processes.size() - 1);
    return text;
}
