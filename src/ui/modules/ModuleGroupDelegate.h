#pragma once

#include "ui/kit/KitItemDelegate.h"

class ModuleGroupModel;

// Draws the grouped node_modules list. A header: the group's colour dot, its key in
// semibold, "· {count}" and, at the right, its reclaimable total. A record: the project
// name over its parent path (truncated in the middle) on the left, the size text over the
// access date on the right, the size in the warning colour for a link, with the link's
// explanation as the size's tooltip. GUI thread.
class ModuleGroupDelegate : public KitItemDelegate
{
    Q_OBJECT

public:
    explicit ModuleGroupDelegate(const ModuleGroupModel *model, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

    [[nodiscard]] static int headerHeight();
    [[nodiscard]] static int rowHeight();

private:
    struct Fonts
    {
        QFont application;
        QFont key;
        QFont name;
        QFont caption;
        QFont size;
        QFont captionDigits;
        QFont digits;
    };

    void paintHeader(QPainter *painter, const Cell &cell, int row) const;
    void paintRecord(QPainter *painter, const Cell &cell, int row) const;
    // Where the size text of a record row is drawn.
    [[nodiscard]] QRect sizeRect(const QRect &rowRect, int row) const;
    [[nodiscard]] const Fonts &fonts() const;

    const ModuleGroupModel *m_model;
    mutable std::optional<Fonts> m_fonts;
};
