#pragma once

#include <QColor>
#include <QIcon>
#include <QProxyStyle>

#include <optional>

class QStyleOptionButton;

// Draws the bevel of one button in the kit's secondary or prominent treatment over the
// application's own style, which still draws the label, icon and menu arrow. One instance
// per button, owned by it (see glassButton and glassProminentButton).
class GlassButtonStyle : public QProxyStyle
{
    Q_OBJECT

public:
    enum class Treatment { secondary, prominent };

    GlassButtonStyle(Treatment treatment, std::optional<QColor> tint);

    void setTreatment(Treatment treatment, std::optional<QColor> tint);
    // The fill of a prominent button under palette; invalid for a secondary one, whose tint,
    // when it has one, colours its label instead.
    [[nodiscard]] QColor fillColor(const QPalette &palette) const;

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget = nullptr) const override;

private:
    static constexpr int s_iconSpacing = 6;

    static void recolourLabel(QPalette &palette, QIcon &icon, const QColor &text);
    void drawIconAndText(const QStyleOptionButton &option, QPainter *painter) const;
    void drawBevel(const QStyleOption *option, QPainter *painter) const;
    [[nodiscard]] QColor labelColor(const QPalette &palette, bool enabled) const;

    Treatment m_treatment;
    std::optional<QColor> m_tint;
};
