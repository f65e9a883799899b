#pragma once

#include <QHeaderView>
#include <QList>
#include <QTableView>
#include <Qt>

// What a click on a table's header does to a store's sort order (a list of comparators, the
// most significant first, each with a key and an order), and the binding of a header to it.
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

// Binds view's header to store's sort order: a click on a column puts its comparator first
// in the store's order through model.sort (again on the same column reverses it), and the
// chevron shows the store's first comparator, whatever the header thinks it clicked. Model
// is a StoreSortedModel.
template <typename Store, typename Model>
void bindHeader(QTableView *view, Store &store, Model &model)
{
    const auto show = [view, &store, &model] {
        const auto order = store.sortOrder();
        if (order.isEmpty())
            view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
        else
            view->horizontalHeader()->setSortIndicator(model.column(order.first().key), order.first().order);
    };
    const auto clicked = [&store, &model, show](int section) {
        if (const auto key = model.sortKey(section))
            model.sort(section, clickedOrder(store.sortOrder(), *key));
        show();
    };
    QObject::connect(view->horizontalHeader(), &QHeaderView::sectionClicked, view, clicked);
    QObject::connect(&store, &Store::sortOrderChanged, view, show);
    show();
}

} // namespace SortOrders
