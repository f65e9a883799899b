#include "ui/kit/GlassButtonStyle.h"

#include "ui/kit/Icons.h"
#include "ui/kit/Theme.h"

#include <QPainter>
#include <QStyleOption>

GlassButtonStyle::GlassButtonStyle(Treatment treatment, std::optional<QColor> tint)
    : m_treatment(treatment)
    , m_tint(std::move(tint))
{
}

void GlassButtonStyle::setTreatment(Treatment treatment, std::optional<QColor> tint)
{
    m_treatment = treatment;
    m_tint = std::move(tint);
}

QColor GlassButtonStyle::fillColor(const QPalette &palette) const
{
    if (m_treatment != Treatment::prominent)
        return {};
    return m_tint.value_or(palette.color(QPalette::Active, QPalette::Highlight));
}

QColor GlassButtonStyle::labelColor(const QPalette &palette, bool enabled) const
{
    if (m_treatment == Treatment::secondary) {
        // A tinted secondary button (a destructive one) draws its label in the tint.
        QColor text = m_tint.value_or(palette.color(QPalette::ButtonText));
        if (!enabled)
            text.setAlphaF(text.alphaF() * 0.4);
        return text;
    }
    // White on the fill unless the fill is so light that dark text reads better.
    const QColor fill = fillColor(palette);
    const qreal luminance = 0.2126 * fill.redF() + 0.7152 * fill.greenF() + 0.0722 * fill.blueF();
    QColor text = luminance > 0.8 ? QColor(20, 20, 20) : QColor(Qt::white);
    if (!enabled)
        text.setAlphaF(0.6);
    return text;
}

void GlassButtonStyle::drawBevel(const QStyleOption *option, QPainter *painter) const
{
    const QPalette &palette = option->palette;
    const bool enabled = option->state & State_Enabled;
    const bool pressed = option->state & (State_Sunken | State_On);
    const bool hovered = enabled && (option->state & State_MouseOver);
    const bool dark = Theme::isDark(palette);

    const QRectF shape = QRectF(option->rect).adjusted(1.5, 1.5, -1.5, -1.5);
    const qreal radius = 6.0;

    QColor fill;
    QColor border;
    if (m_treatment == Treatment::prominent) {
        fill = fillColor(palette);
        if (!enabled)
            fill.setAlphaF(dark ? 0.3 : 0.45);
        else if (pressed)
            fill = fill.darker(118);
        else if (hovered)
            fill = fill.lighter(108);
        border = fill.darker(dark ? 100 : 112);
    } else if (dark) {
        fill = QColor(255, 255, 255, pressed ? 52 : hovered ? 38 : 28);
        if (!enabled)
            fill.setAlpha(14);
        border = QColor(255, 255, 255, 22);
    } else {
        fill = palette.color(QPalette::Base);
        if (pressed)
            fill = fill.darker(112);
        else if (hovered)
            fill = fill.darker(104);
        if (!enabled)
            fill.setAlpha(140);
        border = QColor(0, 0, 0, enabled ? 48 : 28);
    }

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (!dark && enabled && !pressed) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(0, 0, 0, 16));
        painter->drawRoundedRect(shape.translated(0, 1), radius, radius);
    }
    painter->setPen(QPen(border, 1.0));
    painter->setBrush(fill);
    painter->drawRoundedRect(shape, radius, radius);
    if ((option->state & State_HasFocus) && (option->state & State_KeyboardFocusChange)) {
        QColor ring = palette.color(QPalette::Highlight);
        ring.setAlphaF(0.6);
        painter->setPen(QPen(ring, 2.0));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(shape.adjusted(-0.5, -0.5, 0.5, 0.5), radius + 1, radius + 1);
    }
    painter->restore();
}

void GlassButtonStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                     const QWidget *widget) const
{
    switch (element) {
    case PE_PanelButtonCommand:
    case PE_PanelButtonBevel:
    case PE_PanelButtonTool:
        drawBevel(option, painter);
        return;
    case PE_FrameDefaultButton:
    case PE_FrameButtonBevel:
    case PE_FrameButtonTool:
    case PE_FrameFocusRect:
        // The bevel carries the focus ring and needs no second frame.
        return;
    default:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
}

void GlassButtonStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                                   const QWidget *widget) const
{
    const bool enabled = option->state & State_Enabled;
    if (const auto *push = qstyleoption_cast<const QStyleOptionButton *>(option);
        push && element == CE_PushButtonLabel) {
        QStyleOptionButton copy = *push;
        if (m_treatment == Treatment::prominent || m_tint)
            recolourLabel(copy.palette, copy.icon, labelColor(option->palette, enabled));
        if (!copy.icon.isNull() && !copy.text.isEmpty() && !(copy.features & QStyleOptionButton::HasMenu)) {
            drawIconAndText(copy, painter);
            return;
        }
        QProxyStyle::drawControl(element, &copy, painter, widget);
        return;
    }
    if (const auto *tool = qstyleoption_cast<const QStyleOptionToolButton *>(option);
        tool && element == CE_ToolButtonLabel && (m_treatment == Treatment::prominent || m_tint)) {
        QStyleOptionToolButton copy = *tool;
        recolourLabel(copy.palette, copy.icon, labelColor(option->palette, enabled));
        QProxyStyle::drawControl(element, &copy, painter, widget);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void GlassButtonStyle::recolourLabel(QPalette &palette, QIcon &icon, const QColor &text)
{
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::WindowText, text);
    }
    // A kit icon takes the label's colour on the fill, whatever tint it was made with.
    if (const QString symbol = icon.name(); Icons::hasSymbol(symbol))
        icon = Icons::icon(symbol, text);
}

void GlassButtonStyle::drawIconAndText(const QStyleOptionButton &option, QPainter *painter) const
{
    // The common style leaves only a hairline between icon and text; a little more air
    // reads better at these sizes.
    const bool enabled = option.state & State_Enabled;
    const QIcon::Mode mode = !enabled      ? QIcon::Disabled
        : (option.state & State_MouseOver) ? QIcon::Active
                                           : QIcon::Normal;
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QPixmap pixmap =
        option.icon.pixmap(option.iconSize, dpr, mode, (option.state & State_On) ? QIcon::On : QIcon::Off);
    const QSize iconSize = pixmap.deviceIndependentSize().toSize();
    const int textWidth = option.fontMetrics.horizontalAdvance(option.text);
    const int total = iconSize.width() + s_iconSpacing + textWidth;
    const QRect area = option.rect;
    const int left = area.x() + (area.width() - total) / 2;
    painter->drawPixmap(QPoint(left, area.y() + (area.height() - iconSize.height()) / 2), pixmap);
    const QRect textRect(left + iconSize.width() + s_iconSpacing, area.y(), textWidth + 2, area.height());
    proxy()->drawItemText(painter, textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, option.palette,
                          enabled, option.text, QPalette::ButtonText);
}

int GlassButtonStyle::pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const
{
    switch (metric) {
    case PM_ButtonShiftHorizontal:
    case PM_ButtonShiftVertical:
        return 0;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QSize GlassButtonStyle::sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                                         const QWidget *widget) const
{
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (const auto *push = qstyleoption_cast<const QStyleOptionButton *>(option);
        push && type == CT_PushButton && !push->icon.isNull() && !push->text.isEmpty())
        result.rwidth() += s_iconSpacing;
    if (type == CT_PushButton || type == CT_ToolButton) {
        // Room for the one-pixel inset of the bevel on each side and comfortable padding.
        result.setWidth(qMax(result.width(), size.width() + 24));
        result.setHeight(qMax(result.height(), size.height() + 12));
    }
    return result;
}
