#pragma once

#include "core/processes/NodeProcess.h"

#include <QString>

// The symbol of a process kind, shared by the blocked-port cards and the Type column:
// "n.square", "bird", "bolt", "atom", "arrow.triangle.2.circlepath", "shippingbox", "hexagon".
[[nodiscard]] QString kindSymbol(NodeProcess::Kind kind);
