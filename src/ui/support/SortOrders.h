#pragma once

#include <QList>
#include <Qt>

// What a click on a table's header does to a store's sort order (a list of comparators, the
// most significant first, each with a key and an order). Pure.
namespace SortOrders {

// first, then the comparators of order on other keys, in their order.
template <typename Comparator>
[[nodiscard]] QList<Comparator> withFirst(const QList<Comparator> &order, const Comparator &first)
{
    QList<Comparator> result{first};
    for (const Comparator &comparator : order) {
        if (comparator.key != first.key)
            result.append(comparator);
    }
    return result;
}

// The direction a click on key's column asks for: the reverse of key's when it sorts first
// already, else ascending.
template <typename Comparator, typename Key>
[[nodiscard]] Qt::SortOrder clickedOrder(const QList<Comparator> &order, const Key &key)
{
    if (!order.isEmpty() && order.first().key == key)
        return order.first().order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    return Qt::AscendingOrder;
}

} // namespace SortOrders
