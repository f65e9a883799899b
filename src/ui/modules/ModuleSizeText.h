#pragma once

#include "core/modules/NodeModule.h"

#include <QString>

// The size shown for a record in the table and the grouped list: its size for a real
// folder, "broken link" for a link without a target, "link · {size of the target's tree}"
// for a live link (space that deleting the link does not free), "link · size not measured"
// for a link whose target is not a node_modules folder.
[[nodiscard]] QString sizeText(const NodeModule &module);
