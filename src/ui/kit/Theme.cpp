#include "ui/kit/Theme.h"

#include <QPalette>

namespace Theme {

const QColor &nodeGreen()
{
    static const QColor color = QColor::fromRgb(105, 190, 100);
    return color;
}

const QColor &warning()
{
    static const QColor color = QColor::fromRgb(230, 170, 60);
    return color;
}

const QColor &danger()
{
    static const QColor color = QColor::fromRgb(220, 80, 70);
    return color;
}

bool isDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightnessF() < palette.color(QPalette::WindowText).lightnessF();
}

static QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(alpha);
    return color;
}

QColor separator(const QPalette &palette)
{
    return withAlpha(palette.color(QPalette::WindowText), isDark(palette) ? 0.16 : 0.11);
}

QColor quaternaryFill(const QPalette &palette)
{
    return withAlpha(palette.color(QPalette::WindowText), isDark(palette) ? 0.12 : 0.08);
}

QColor sidebarBackground(const QPalette &palette)
{
    const QColor window = palette.color(QPalette::Window);
    return isDark(palette) ? window.lighter(112) : window.darker(104);
}

} // namespace Theme
