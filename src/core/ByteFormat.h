#pragma once

#include <QString>

// Byte counts as the user reads them: base 1024, "B" to "TB", one decimal above bytes
// ("0 B", "1.5 KB", "1024.0 KB", "8388608.0 TB"). Pure; any thread.
namespace ByteFormat {
[[nodiscard]] QString string(qint64 bytes);
}
