#pragma once

#include "core/modules/NodeModule.h"

#include <QString>

#include <optional>

// The size shown for a record in the tables, the grouped list and the command line: its size for a real
// folder, followed by " · {shared} shared" when part of it is hard links also used
// elsewhere; "broken link" for a link without a target; "link · {size of the target's
// tree}" for a live link (space that deleting the link does not free); "link · size not
// measured" for a link whose target is not a node_modules folder.
[[nodiscard]] QString sizeText(const NodeModule &module);

// The tooltip of the size: what deleting a link does, or how little deleting a folder
// of shared files frees; absent when the size says it all.
[[nodiscard]] std::optional<QString> sizeExplanation(const NodeModule &module);
