#include "core/processes/ProcessSortOrder.h"

#include <algorithm>

namespace {

template <typename T>
int threeWay(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// UTF-16 code-unit order puts supplementary characters (surrogates, 0xD800..0xDFFF)
// before U+E000..U+FFFF; shifting those two ranges past each other restores
// code-point order without decoding.
char16_t codePointRank(char16_t unit)
{
    if (unit >= 0xE000)
        return char16_t(unit - 0x800);
    if (unit >= 0xD800)
        return char16_t(unit + 0x2000);
    return unit;
}

int compareCodePoints(QStringView a, QStringView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        if (x != y)
            return threeWay(codePointRank(x), codePointRank(y));
    }
    return threeWay(a.size(), b.size());
}

} // namespace

int ProcessComparator::compare(const NodeProcess &a, const NodeProcess &b) const
{
    int result = 0;
    switch (key) {
    case Key::pid:
        result = threeWay(a.pid, b.pid);
        break;
    case Key::kind:
        result = compareCodePoints(NodeProcess::rawValue(a.kind), NodeProcess::rawValue(b.kind));
        break;
    case Key::command:
        result = compareCodePoints(a.command, b.command);
        break;
    case Key::portsText:
        result = compareCodePoints(a.portsText(), b.portsText());
        break;
    case Key::memoryBytes:
        result = threeWay(a.memoryBytes(), b.memoryBytes());
        break;
    case Key::elapsedSeconds:
        result = threeWay(a.elapsedSeconds, b.elapsedSeconds);
        break;
    }
    return order == Qt::AscendingOrder ? result : -result;
}

bool sortsBefore(const ProcessSortOrder &order, const NodeProcess &a, const NodeProcess &b)
{
    for (const ProcessComparator &comparator : order) {
        if (const int result = comparator.compare(a, b); result != 0)
            return result < 0;
    }
    return false;
}
