#include "ui/kit/KitLabel.h"

#include "core/Assign.h"
#include "ui/kit/Spacing.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QtMath>
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

KitLabel *KitLabel::screenTitle(const QString &text)
{
    auto *title = new KitLabel(text, TextStyle::title2);
    title->setObjectName(QStringLiteral("screenTitle"));
    title->setTextStyle(TextStyle::title2, QFont::DemiBold);
    const int inset = Spacing::of(Space::inset);
    title->setContentsMargins(inset, inset, inset, 0);
    return title;
}

void KitLabel::setTextStyle(TextStyle style, std::optional<QFont::Weight> weight)
{
    m_style = style;
    m_weight = weight;
    applyFont();
}

void KitLabel::setTint(const Tint &tint)
{
    if (assignIfChanged(m_tint, tint))
        applyTint();
}

void KitLabel::setMonospacedDigits(bool on)
{
    m_monospacedDigits = on;
    applyFont();
}

void KitLabel::setSizeFactor(qreal factor)
{
    m_sizeFactor = factor;
    applyFont();
}

void KitLabel::setElideMode(Qt::TextElideMode mode)
{
    m_elideMode = mode;
    updateGeometry();
    update();
}

QSize KitLabel::sizeHint() const
{
    if (!drawsElided())
        return QLabel::sizeHint();
    // The full advance of the text, so a label given its size hint never elides; QLabel's
    // own hint measures the ink, which can be a pixel or two narrower.
    const QMargins margins = contentsMargins();
    const int width =
        qCeil(QFontMetricsF(font()).horizontalAdvance(text())) + 2 * margin() + margins.left() + margins.right() + 1;
    return {qMax(width, QLabel::sizeHint().width()), QLabel::sizeHint().height()};
}

QSize KitLabel::minimumSizeHint() const
{
    if (!drawsElided())
        return QLabel::minimumSizeHint();
    const QSize full = QLabel::minimumSizeHint();
    const int ellipsis = fontMetrics().horizontalAdvance(QStringLiteral("…"));
    const QMargins margins = contentsMargins();
    return {qMin(full.width(), 3 * ellipsis + margins.left() + margins.right()), full.height()};
}

bool KitLabel::event(QEvent *event)
{
    // Application font and palette changes reach widgets as these two events, which
    // QWidget does not pass on to changeEvent. Re-applying only what differs keeps our own
    // setFont and setPalette from coming round again.
    switch (event->type()) {
    case QEvent::ApplicationFontChange:
        applyFont();
        break;
    case QEvent::ApplicationPaletteChange:
    case QEvent::PaletteChange:
        applyTint();
        break;
    default:
        break;
    }
    return QLabel::event(event);
}

void KitLabel::paintEvent(QPaintEvent *event)
{
    if (!drawsElided()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect area = contentsRect().marginsRemoved(QMargins(margin(), margin(), margin(), margin()));
    const QFontMetricsF metrics(font());
    const QString shown = metrics.horizontalAdvance(text()) <= area.width()
        ? text()
        : metrics.elidedText(text(), m_elideMode, area.width());
    style()->drawItemText(&painter, area, QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), shown, foregroundRole());
}

bool KitLabel::drawsElided() const
{
    return m_elideMode != Qt::ElideNone && textFormat() == Qt::PlainText && !wordWrap();
}

void KitLabel::applyFont()
{
    QFont base = Typography::font(m_style, m_weight);
    if (m_sizeFactor != 1.0) {
        if (base.pointSizeF() > 0)
            base.setPointSizeF(base.pointSizeF() * m_sizeFactor);
        else
            base.setPixelSize(qMax(1, qRound(base.pixelSize() * m_sizeFactor)));
    }
    const QFont wanted = m_monospacedDigits ? Typography::monospacedDigits(base) : base;
    if (font() != wanted)
        setFont(wanted);
}

void KitLabel::applyTint()
{
    // Resolved against the application palette, not the label's own: the label sets its
    // text colour, and only that role, so every other role still comes from its parents.
    const QPalette base = QApplication::palette(this);
    bool same = palette().resolveMask() & (quint64(1) << QPalette::WindowText);
    QPalette own;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor color = m_tint.resolve(base, group);
        same = same && palette().color(group, QPalette::WindowText) == color;
        own.setColor(group, QPalette::WindowText, color);
    }
    if (!same)
        setPalette(own);
}
