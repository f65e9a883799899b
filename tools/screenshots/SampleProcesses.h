#pragma once

#include "core/processes/NodeProcess.h"

#include <QList>

// A believable afternoon of Node work: dev servers on the usual ports, a watcher, an
// install, and a server left running since yesterday.
[[nodiscard]] QList<NodeProcess> sampleProcesses();

// The same afternoon once the dev servers are stopped: nothing on a dev port, a watcher and
// a long-running script still flagged, a plain server on a port of its own.
[[nodiscard]] QList<NodeProcess> allClearProcesses();
