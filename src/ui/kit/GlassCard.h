#pragma once

#include "ui/kit/GlassSurface.h"

class QLayout;

// Content padded on all four edges and set on the glass surface with corner radius 14.
// Give it its content with setContent (a widget) or setContentLayout (a layout).
class GlassCard : public GlassSurface
{
    Q_OBJECT

public:
    static constexpr qreal s_cornerRadius = 14;

    explicit GlassCard(int padding, QWidget *parent = nullptr);

    [[nodiscard]] int padding() const { return m_padding; }
    // Replaces the content; the card takes ownership.
    void setContent(QWidget *content);
    void setContentLayout(QLayout *layout);

private:
    int m_padding;
};
