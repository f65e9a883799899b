#include "ui/kit/Spacing.h"

#include <QApplication>
#include <QBoxLayout>
#include <QStyle>
#include <QWidget>

#include <cmath>

namespace Spacing {

namespace {

constexpr int s_fallbackSpacing = 6;
constexpr int s_fallbackMargin = 9;

// A style may answer -1 for the spacing and leave it to layoutSpacing per pair of controls.
int controlSpacing(const QStyle *style, const QWidget *widget)
{
    int spacing = style->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, widget);
    if (spacing < 0)
        spacing =
            style->layoutSpacing(QSizePolicy::PushButton, QSizePolicy::PushButton, Qt::Horizontal, nullptr, widget);
    return spacing > 0 ? spacing : s_fallbackSpacing;
}

// The margin inside a child container, not a window's, which some styles make wider.
int containerMargin(const QStyle *style)
{
    const int margin = style->pixelMetric(QStyle::PM_LayoutLeftMargin);
    return margin > 0 ? margin : s_fallbackMargin;
}

int scaled(int unit, int numerator, int denominator)
{
    return qMax(1, int(std::lround(double(unit) * numerator / denominator)));
}

} // namespace

int of(Space space, const QWidget *widget)
{
    const QStyle *style = widget ? widget->style() : QApplication::style();
    // The ratios keep the steps the kit was drawn with on the usual 6 and 9.
    switch (space) {
    case Space::hairline:
        return scaled(controlSpacing(style, widget), 1, 3);
    case Space::tight:
        return scaled(controlSpacing(style, widget), 1, 2);
    case Space::related:
        return controlSpacing(style, widget);
    case Space::standard:
        return scaled(controlSpacing(style, widget), 4, 3);
    case Space::group:
        return scaled(controlSpacing(style, widget), 5, 3);
    case Space::inset:
        return scaled(containerMargin(style), 4, 3);
    case Space::section:
        return scaled(containerMargin(style), 16, 9);
    case Space::card:
        return 2 * containerMargin(style);
    case Space::page:
        return scaled(containerMargin(style), 8, 3);
    }
    return controlSpacing(style, widget);
}

QMargins margins(Space space, const QWidget *widget)
{
    const int step = of(space, widget);
    return {step, step, step, step};
}

QHBoxLayout *row(QWidget *owner, Space spacing, Space horizontal, Space vertical)
{
    auto *layout = new QHBoxLayout(owner);
    const int across = of(horizontal);
    const int down = of(vertical);
    layout->setContentsMargins(across, down, across, down);
    layout->setSpacing(of(spacing));
    return layout;
}

QVBoxLayout *stack(QWidget *owner, Space spacing)
{
    auto *layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(of(spacing));
    return layout;
}

} // namespace Spacing
