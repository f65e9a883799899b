#pragma once

#include "core/modules/ScanStore.h"

#include <QList>

// A believable ~/code for the Disk cleanup screen: apps, a monorepo with packages, old
// experiments, a node_modules linked into a package store and one whose link is broken.
// The walk and measure functions hand these records to a real scan store (any root).
[[nodiscard]] QList<NodeModule> sampleModules();
[[nodiscard]] ScanStore::WalkFunction sampleWalk();
[[nodiscard]] ScanStore::MeasureFunction sampleMeasure();
// The folder the sample records lie under, for the path field.
[[nodiscard]] QString sampleRoot();
