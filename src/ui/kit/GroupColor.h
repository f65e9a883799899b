#pragma once

#include <QColor>
#include <QString>

// The colour of a node_modules group, shared by the grouped list and the breakdown chart:
// hue from a hash of the key (modulo 360), saturation 0.55, brightness 0.85, opaque.
// Equal keys get equal colours. Pure; any thread.
[[nodiscard]] QColor groupColor(const QString &key);
