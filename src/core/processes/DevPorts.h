#pragma once

#include <QSet>

namespace ProcessScanner {

// The 27 known dev-server ports. Built once, thread-safe.
[[nodiscard]] inline const QSet<int> &devPorts()
{
    static const QSet<int> ports = {3000, 3001, 3002, 3003, 3004,  3005,  3006, 3007, 3008,
                                    3009, 4000, 4173, 4200, 5000,  5173,  5174, 5175, 6006,
                                    8000, 8080, 8081, 9000, 19000, 19001, 1234, 4321, 24678};
    return ports;
}

} // namespace ProcessScanner
