#include "ui/kit/KitLabel.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QStyle>

KitLabel::KitLabel(const QString &text, TextStyle style, QWidget *parent)
    : QLabel(text, parent)
    , m_style(style)
{
    setTextFormat(Qt::PlainText);
    applyFont();
    applyTint();
}

void KitLabel::setTextStyle(TextStyle style, std::optional<QFont::Weight> weight)
{
    m_style = style;
    m_weight = weight;
    applyFont();
}

void KitLabel::setTint(const Tint &tint)
{
    if (m_tint == tint)
        return;
    m_tint = tint;
    applyTint();
}

void KitLabel::setMonospacedDigits(bool on)
{
    m_monospacedDigits = on;
    applyFont();
}

void KitLabel::setElideMode(Qt::TextElideMode mode)
{
    m_elideMode = mode;
    updateGeometry();
    update();
}

QSize KitLabel::minimumSizeHint() const
{
    if (m_elideMode == Qt::ElideNone)
        return QLabel::minimumSizeHint();
    const QSize full = QLabel::minimumSizeHint();
    const int ellipsis = fontMetrics().horizontalAdvance(QStringLiteral("…"));
    const QMargins margins = contentsMargins();
    return {qMin(full.width(), 3 * ellipsis + margins.left() + margins.right()), full.height()};
}

void KitLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    switch (event->type()) {
    case QEvent::ApplicationFontChange:
        applyFont();
        break;
    case QEvent::ApplicationPaletteChange:
        applyTint();
        break;
    default:
        break;
    }
}

void KitLabel::paintEvent(QPaintEvent *event)
{
    if (m_elideMode == Qt::ElideNone || textFormat() != Qt::PlainText || wordWrap()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect area = contentsRect().marginsRemoved(QMargins(margin(), margin(), margin(), margin()));
    const QString shown = fontMetrics().elidedText(text(), m_elideMode, area.width());
    style()->drawItemText(&painter, area, QStyle::visualAlignment(layoutDirection(), alignment()),
                          palette(), isEnabled(), shown, foregroundRole());
}

void KitLabel::applyFont()
{
    const QFont font = Typography::font(m_style, m_weight);
    setFont(m_monospacedDigits ? Typography::monospacedDigits(font) : font);
}

void KitLabel::applyTint()
{
    // Resolved against the application palette, not the label's own: the label sets its
    // text colour, and only that role, so every other role still comes from its parents.
    const QPalette base = QApplication::palette(this);
    QPalette own;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        own.setColor(group, QPalette::WindowText, m_tint.resolve(base, group));
    setPalette(own);
}
