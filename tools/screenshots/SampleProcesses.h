#pragma once

#include "core/processes/NodeProcess.h"

#include <QList>

// A believable afternoon of Node work: dev servers on the usual ports, a watcher, an
// install, and a server left running since yesterday.
[[nodiscard]] QList<NodeProcess> sampleProcesses();
