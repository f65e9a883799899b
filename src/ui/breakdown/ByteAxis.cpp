#include "ui/breakdown/ByteAxis.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace ByteAxis {

namespace {

constexpr qint64 s_unit = 1024;
constexpr int s_largestUnit = 4; // TB, as ByteFormat goes no further

qint64 unitSize(int unit)
{
    qint64 size = 1;
    for (int i = 0; i < unit; ++i)
        size *= s_unit;
    return size;
}

// Every step worth trying, ascending: decimal steps within a unit and binary ones that
// cross into the next unit on a round value.
const std::vector<qint64> &steps()
{
    static const std::vector<qint64> all = [] {
        std::vector<qint64> list;
        constexpr qint64 mantissas[] = {1, 2, 5, 10, 20, 25, 50, 100, 128, 200, 250, 256, 500, 512};
        for (int unit = 0; unit <= s_largestUnit; ++unit) {
            for (const qint64 mantissa : mantissas)
                list.push_back(mantissa * unitSize(unit));
        }
        // Terabytes have no larger unit to move to, so their steps keep growing decimally.
        const qint64 terabyte = unitSize(s_largestUnit);
        for (qint64 mantissa = 1000; mantissa <= std::numeric_limits<qint64>::max() / terabyte / 5; mantissa *= 10) {
            for (const qint64 factor : {1, 2, 5})
                list.push_back(mantissa * factor * terabyte);
        }
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
        return list;
    }();
    return all;
}

} // namespace

bool isRound(qint64 bytes)
{
    if (bytes < 0)
        return false;
    int unit = 0;
    while (unit < s_largestUnit && bytes >= unitSize(unit + 1))
        ++unit;
    const qint64 size = unitSize(unit);
    // One decimal shows exactly when ten times the remainder is a whole number of units.
    if ((bytes % size) * 10 % size != 0)
        return false;
    return unit == s_largestUnit || bytes / size < 1000;
}

QList<qint64> marks(qint64 maxBytes, int maxIntervals)
{
    const qint64 span = maxBytes > 0 ? maxBytes : s_unit;
    const qint64 intervalsAllowed = std::max(1, maxIntervals);
    for (const qint64 step : steps()) {
        const qint64 intervals = span / step + (span % step != 0 ? 1 : 0);
        if (intervals > intervalsAllowed)
            continue;
        if (intervals > std::numeric_limits<qint64>::max() / step)
            break;
        QList<qint64> values;
        values.reserve(intervals + 1);
        bool round = true;
        for (qint64 i = 0; i <= intervals && round; ++i) {
            values.append(i * step);
            round = isRound(i * step);
        }
        if (round)
            return values;
    }
    // Only near the top of the 64-bit range: the span itself, unrounded.
    return {0, span};
}

} // namespace ByteAxis
