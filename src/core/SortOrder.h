#pragma once

#include <QList>
#include <Qt>

// One key of a table's sort order over records of type Record, in a direction. The keys
// are compared by compareBy(key, a, b), declared beside the key's enum: <0, 0 or >0 as a
// comes before, with or after b in ascending order.
template <typename Record, typename KeyEnum>
struct SortComparator
{
    using Key = KeyEnum;

    Key key{};
    Qt::SortOrder order = Qt::DescendingOrder;

    // <0, 0 or >0 as a sorts before, with or after b under this comparator.
    [[nodiscard]] int compare(const Record &a, const Record &b) const
    {
        const int result = compareBy(key, a, b);
        return order == Qt::AscendingOrder ? result : -result;
    }

    friend bool operator==(const SortComparator &, const SortComparator &) = default;
};

// True when a sorts before b under order (most significant comparator first): the first
// comparator that tells them apart decides.
template <typename Record, typename Key>
[[nodiscard]] bool sortsBefore(const QList<SortComparator<Record, Key>> &order, const Record &a, const Record &b)
{
    for (const SortComparator<Record, Key> &comparator : order) {
        if (const int result = comparator.compare(a, b); result != 0)
            return result < 0;
    }
    return false;
}

// <0, 0 or >0 as a is less than, equal to or greater than b.
template <typename T>
[[nodiscard]] int threeWay(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}
