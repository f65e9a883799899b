#include "ui/kit/SymbolLabel.h"

#include "core/Assign.h"
#include "ui/kit/Icons.h"

#include <QEvent>
#include <QFontMetricsF>

SymbolLabel::SymbolLabel(const QString &symbol, const Tint &tint, TextStyle style, QWidget *parent)
    : QLabel(parent)
    , m_symbol(symbol)
    , m_tint(tint)
    , m_style(style)
{
    setAlignment(Qt::AlignCenter);
    redraw();
}

void SymbolLabel::setSymbol(const QString &symbol)
{
    if (assignIfChanged(m_symbol, symbol))
        redraw();
}

void SymbolLabel::setTint(const Tint &tint)
{
    if (assignIfChanged(m_tint, tint))
        redraw();
}

void SymbolLabel::setTextStyle(TextStyle style)
{
    m_style = style;
    redraw();
}

int SymbolLabel::symbolSize() const
{
    return sizeFor(m_style);
}

int SymbolLabel::sizeFor(TextStyle style)
{
    return qMax(8, qRound(QFontMetricsF(Typography::font(style)).ascent() * 1.15));
}

bool SymbolLabel::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ApplicationFontChange:
    case QEvent::ApplicationPaletteChange:
    case QEvent::PaletteChange:
    case QEvent::EnabledChange:
    case QEvent::ScreenChangeInternal:
        redraw();
        break;
    default:
        break;
    }
    return QLabel::event(event);
}

void SymbolLabel::redraw()
{
    const int side = symbolSize();
    const QColor color = m_tint.resolve(palette(), isEnabled() ? QPalette::Active : QPalette::Disabled);
    setPixmap(Icons::pixmap(m_symbol, side, color, devicePixelRatioF()));
    setFixedSize(side, side);
}
