#include "ui/kit/Switch.h"

#include "ui/kit/Theme.h"
#include "ui/kit/Typography.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QVariantAnimation>

Switch::Switch(const QString &text, QWidget *parent)
    : QAbstractButton(parent)
    , m_animation(new QVariantAnimation(this))
{
    setText(text);
    setCheckable(true);
    setFont(Typography::font(TextStyle::callout));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_animation->setDuration(120);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_position = value.toReal();
        update();
    });
}

QSize Switch::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int textWidth = text().isEmpty() ? 0 : metrics.horizontalAdvance(text()) + s_gap;
    return {textWidth + s_trackWidth + 2, qMax(metrics.height(), s_trackHeight) + 4};
}

QSize Switch::minimumSizeHint() const
{
    return sizeHint();
}

QRectF Switch::trackRect() const
{
    return {width() - s_trackWidth - 1.0, (height() - s_trackHeight) / 2.0, qreal(s_trackWidth), qreal(s_trackHeight)};
}

bool Switch::hitButton(const QPoint &position) const
{
    return rect().contains(position);
}

void Switch::checkStateSet()
{
    // Set from code (a bound value changing): no slide, the knob is simply there.
    m_animation->stop();
    m_position = isChecked() ? 1.0 : 0.0;
    update();
}

void Switch::nextCheckState()
{
    // setChecked() puts the knob straight at the end; a click slides it from where it was.
    const qreal from = m_position;
    QAbstractButton::nextCheckState();
    m_position = from;
    animateTo(isChecked());
}

void Switch::animateTo(bool checked)
{
    m_animation->stop();
    m_animation->setStartValue(m_position);
    m_animation->setEndValue(checked ? 1.0 : 0.0);
    m_animation->start();
}

bool Switch::event(QEvent *event)
{
    if (event->type() == QEvent::ApplicationFontChange) {
        setFont(Typography::font(TextStyle::callout));
        updateGeometry();
    }
    return QAbstractButton::event(event);
}

void Switch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &pal = palette();
    const bool enabled = isEnabled();
    const bool dark = Theme::isDark(pal);

    if (!text().isEmpty()) {
        const QRect textRect(0, 0, int(trackRect().left()) - s_gap, height());
        style()->drawItemText(&painter, textRect, Qt::AlignLeft | Qt::AlignVCenter, pal, enabled, text(),
                              QPalette::WindowText);
    }

    const QRectF track = trackRect();
    const qreal radius = track.height() / 2;
    QColor off = pal.color(QPalette::WindowText);
    off.setAlphaF(dark ? 0.22 : 0.14);
    QColor on = pal.color(QPalette::Active, QPalette::Highlight);
    QColor fill = QColor::fromRgbF(off.redF() + (on.redF() - off.redF()) * m_position,
                                   off.greenF() + (on.greenF() - off.greenF()) * m_position,
                                   off.blueF() + (on.blueF() - off.blueF()) * m_position,
                                   off.alphaF() + (on.alphaF() - off.alphaF()) * m_position);
    if (!enabled)
        fill.setAlphaF(fill.alphaF() * 0.5);
    if (underMouse() && enabled)
        fill = dark ? fill.lighter(112) : fill.darker(106);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, radius, radius);

    const qreal inset = 2;
    const qreal knob = track.height() - 2 * inset;
    const qreal travel = track.width() - 2 * inset - knob;
    const QRectF knobRect(track.left() + inset + travel * m_position, track.top() + inset, knob, knob);
    painter.setBrush(QColor(0, 0, 0, 28));
    painter.drawEllipse(knobRect.translated(0, 0.5).adjusted(-0.5, -0.5, 0.5, 0.5));
    painter.setBrush(enabled ? QColor(Qt::white) : QColor(255, 255, 255, dark ? 80 : 200));
    painter.drawEllipse(knobRect);

    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        QColor ring = pal.color(QPalette::Highlight);
        ring.setAlphaF(0.6);
        painter.setPen(QPen(ring, 2.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-1.5, -1.5, 1.5, 1.5), radius + 1.5, radius + 1.5);
    }
}
