#include "ui/kit/ProportionBar.h"

#include "core/Assign.h"
#include "ui/kit/Theme.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

ProportionBar::ProportionBar(int height, qreal minimumFill, QWidget *parent)
    : QWidget(parent)
    , m_minimumFill(minimumFill)
{
    setFixedHeight(height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ProportionBar::setFraction(double fraction)
{
    const double clamped = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
    if (assignIfChanged(m_fraction, clamped))
        update();
}

void ProportionBar::setColor(const QColor &color)
{
    if (assignIfChanged(m_color, color))
        update();
}

qreal ProportionBar::fillWidth() const
{
    return std::min(qreal(width()), std::max(m_minimumFill, width() * m_fraction));
}

void ProportionBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const qreal radius = height() / 2.0;
    painter.setBrush(Theme::quaternaryFill(palette()));
    painter.drawRoundedRect(QRectF(rect()), radius, radius);
    painter.setBrush(m_color);
    painter.drawRoundedRect(QRectF(0, 0, fillWidth(), height()), radius, radius);
}
