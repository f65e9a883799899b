#pragma once

#include "core/processes/NodeProcess.h"

#include <QList>
#include <QString>

// One known dev port with the Node processes listening on it (ascending pid).
struct BlockedPort
{
    int port = 0;
    QList<NodeProcess> processes;

    [[nodiscard]] int id() const { return port; }
    // "in use", or "Vite · 12m 4s", with " (+N more)" when several processes hold it.
    [[nodiscard]] QString summary() const;

    friend bool operator==(const BlockedPort &, const BlockedPort &) = default;
};
