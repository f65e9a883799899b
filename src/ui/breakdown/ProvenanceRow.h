#pragma once

#include "core/modules/NodeModule.h"
#include "ui/kit/GlassCard.h"

class ColorDot;
class KitLabel;
class ProportionBar;

// One group of the Breakdown list: its dot, key, folder count and size, over a bar of its
// share of the largest group (a short stub even for a share of nothing). GUI thread.
class ProvenanceRow : public GlassCard
{
    Q_OBJECT

public:
    static constexpr int s_dotSize = 10;
    static constexpr int s_barHeight = 8;
    static constexpr qreal s_shortestBar = 6;

    ProvenanceRow(const ModuleGroup &group, double fraction, QWidget *parent = nullptr);

    // fraction is the group's share of the largest group, 0 to 1.
    void setGroup(const ModuleGroup &group, double fraction);
    // The group's key and total; its records are not kept.
    [[nodiscard]] const ModuleGroup &group() const { return m_group; }
    [[nodiscard]] double fraction() const { return m_fraction; }
    [[nodiscard]] QColor color() const;

    // "1 folder", "2 folders", "0 folders".
    [[nodiscard]] static QString folderCountText(qsizetype count);

private:
    ModuleGroup m_group;
    double m_fraction = 0;
    bool m_keyShown = false;
    ColorDot *m_dot;
    KitLabel *m_key;
    KitLabel *m_count;
    KitLabel *m_size;
    ProportionBar *m_bar;
};
