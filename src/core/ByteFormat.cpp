#include "core/ByteFormat.h"

#include <array>
#include <charconv>

namespace ByteFormat {

QString string(qint64 bytes)
{
    static constexpr std::array<const char *, 5> units = {"B", "KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes < 0 ? 0 : bytes);
    size_t unit = 0;
    if (bytes >= 1024) {
        value /= 1024;
        unit = 1;
        while (unit < 4 && value >= 1024.0) {
            value /= 1024;
            ++unit;
        }
    }
    // to_chars formats as printf does in the C locale (exact ties round to even, a
    // point, no grouping); printf itself would follow the user's LC_NUMERIC.
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, unit == 0 ? 0 : 1).ptr;
    return QString::fromLatin1(text, end - text) + u' ' + QLatin1String(units[unit]);
}

} // namespace ByteFormat
