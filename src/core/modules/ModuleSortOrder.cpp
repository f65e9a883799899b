#include "core/modules/ModuleSortOrder.h"

#include "core/TextOrder.h"

#include <algorithm>
#include <cstring>

namespace {

template <typename T>
int threeWay(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Unsigned byte order of UTF-8 is code-point order, so paths compare undecoded.
int compareBytes(const QByteArray &a, const QByteArray &b)
{
    const qsizetype common = std::min(a.size(), b.size());
    if (const int result = common > 0 ? std::memcmp(a.constData(), b.constData(), size_t(common)) : 0)
        return result < 0 ? -1 : 1;
    return threeWay(a.size(), b.size());
}

} // namespace

int ModuleComparator::compare(const NodeModule &a, const NodeModule &b) const
{
    int result = 0;
    switch (key) {
    case Key::projectName:
        result = TextOrder::compareCodePoints(a.projectName, b.projectName);
        break;
    case Key::parentPath:
        result = compareBytes(a.parentPath, b.parentPath);
        break;
    case Key::reclaimableBytes:
        result = threeWay(a.reclaimableBytes(), b.reclaimableBytes());
        break;
    case Key::lastAccessed:
        result = threeWay(a.lastAccessed, b.lastAccessed);
        break;
    }
    return order == Qt::AscendingOrder ? result : -result;
}

bool sortsBefore(const ModuleSortOrder &order, const NodeModule &a, const NodeModule &b)
{
    for (const ModuleComparator &comparator : order) {
        if (const int result = comparator.compare(a, b); result != 0)
            return result < 0;
    }
    return false;
}
