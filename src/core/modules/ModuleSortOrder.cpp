#include "core/modules/ModuleSortOrder.h"

#include "core/TextOrder.h"

#include <algorithm>
#include <cstring>

namespace {

// Unsigned byte order of UTF-8 is code-point order, so paths compare undecoded.
int compareBytes(const QByteArray &a, const QByteArray &b)
{
    const qsizetype common = std::min(a.size(), b.size());
    if (const int result = common > 0 ? std::memcmp(a.constData(), b.constData(), size_t(common)) : 0)
        return result < 0 ? -1 : 1;
    return threeWay(a.size(), b.size());
}

} // namespace

int compareBy(ModuleSortKey key, const NodeModule &a, const NodeModule &b)
{
    using Key = ModuleSortKey;
    switch (key) {
    case Key::projectName:
        return TextOrder::compareCodePoints(a.projectName, b.projectName);
    case Key::parentPath:
        return compareBytes(a.parentPath, b.parentPath);
    case Key::reclaimableBytes:
        return threeWay(a.reclaimableBytes(), b.reclaimableBytes());
    case Key::lastAccessed:
        return threeWay(a.lastAccessed, b.lastAccessed);
    }
    return 0;
}
