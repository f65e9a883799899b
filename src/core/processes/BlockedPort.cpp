#include "core/processes/BlockedPort.h"

// Placeholder until the process store lands.
QString BlockedPort::summary() const
{
    return {};
}
