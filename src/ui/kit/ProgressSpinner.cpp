#include "ui/kit/ProgressSpinner.h"

#include <QPainter>
#include <QVariantAnimation>
#include <QtMath>

ProgressSpinner::ProgressSpinner(QWidget *parent)
    : QWidget(parent)
    , m_animation(new QVariantAnimation(this))
{
    setFixedSize(s_side, s_side);
    setAccessibleName(QStringLiteral("Loading"));
    m_animation->setStartValue(0);
    m_animation->setEndValue(s_spokes);
    m_animation->setDuration(800);
    m_animation->setLoopCount(-1);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        const int step = value.toInt() % s_spokes;
        if (step != m_step) {
            m_step = step;
            update();
        }
    });
}

QSize ProgressSpinner::sizeHint() const
{
    return {s_side, s_side};
}

bool ProgressSpinner::isSpinning() const
{
    return m_animation->state() == QAbstractAnimation::Running;
}

void ProgressSpinner::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_animation->start();
}

void ProgressSpinner::hideEvent(QHideEvent *event)
{
    m_animation->stop();
    QWidget::hideEvent(event);
}

void ProgressSpinner::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2.0, height() / 2.0);
    const qreal outer = s_side / 2.0 - 1;
    const qreal inner = outer * 0.45;
    QColor color = palette().color(QPalette::WindowText);
    const qreal base = color.alphaF();
    for (int i = 0; i < s_spokes; ++i) {
        // The newest spoke is the darkest; the ones behind it fade out.
        const int age = (m_step - i + s_spokes) % s_spokes;
        color.setAlphaF(base * (0.85 - 0.09 * age));
        painter.setPen(QPen(color, 1.8, Qt::SolidLine, Qt::RoundCap));
        const qreal angle = 2 * M_PI * i / s_spokes - M_PI / 2;
        painter.drawLine(QPointF(qCos(angle) * inner, qSin(angle) * inner),
                         QPointF(qCos(angle) * outer, qSin(angle) * outer));
    }
}
