#pragma once

#include <QColor>
#include <QPalette>

// The colour of a text or an icon: either a fixed colour (a Theme colour) or one of the
// text styles of the palette, resolved when drawn so it follows light and dark palettes.
class Tint
{
public:
    enum class Style { primary, secondary, tertiary };

    // Implicit on purpose: a Theme colour or a text style reads naturally where a Tint goes.
    Tint(const QColor &color);          // NOLINT(google-explicit-constructor)
    Tint(Style style = Style::primary); // NOLINT(google-explicit-constructor)

    [[nodiscard]] QColor resolve(const QPalette &palette, QPalette::ColorGroup group = QPalette::Active) const;
    // A fixed colour stays as it is whatever the palette; a style does not.
    [[nodiscard]] bool isFixed() const { return m_color.isValid(); }

    friend bool operator==(const Tint &, const Tint &) = default;

private:
    QColor m_color;
    Style m_style = Style::primary;
};
