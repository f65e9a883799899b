#include "core/modules/ModuleSortOrder.h"

#include <algorithm>
#include <cstring>

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
        result = compareCodePoints(a.projectName, b.projectName);
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
