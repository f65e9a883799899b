#include "ui/kit/Tint.h"

Tint::Tint(const QColor &color)
    : m_color(color)
{
}

Tint::Tint(Style style)
    : m_style(style)
{
}

QColor Tint::resolve(const QPalette &palette, QPalette::ColorGroup group) const
{
    if (m_color.isValid()) {
        if (group != QPalette::Disabled)
            return m_color;
        QColor faded = m_color;
        faded.setAlphaF(m_color.alphaF() * 0.45);
        return faded;
    }
    QColor text = palette.color(group, QPalette::WindowText);
    // The alphas of the usual label hierarchy: secondary and tertiary text stay readable
    // over any background the kit paints, light or dark.
    switch (m_style) {
    case Style::primary:
        break;
    case Style::secondary:
        text.setAlphaF(text.alphaF() * 0.62);
        break;
    case Style::tertiary:
        text.setAlphaF(text.alphaF() * 0.36);
        break;
    }
    return text;
}
