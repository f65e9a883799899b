#include "ui/kit/TintedIconEngine.h"

#include "ui/kit/Icons.h"

#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>

TintedIconEngine::TintedIconEngine(const QString &symbol, const Tint &tint)
    : m_symbol(symbol)
    , m_tint(tint)
{
}

QColor TintedIconEngine::colorFor(QIcon::Mode mode) const
{
    const QPalette palette = QGuiApplication::palette();
    switch (mode) {
    case QIcon::Disabled:
        return m_tint.resolve(palette, QPalette::Disabled);
    case QIcon::Selected:
        if (!m_tint.isFixed())
            return palette.color(QPalette::HighlightedText);
        break;
    case QIcon::Normal:
    case QIcon::Active:
        break;
    }
    return m_tint.resolve(palette);
}

void TintedIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State)
{
    const int side = qMin(rect.width(), rect.height());
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QPixmap drawn = Icons::pixmap(m_symbol, side, colorFor(mode), dpr);
    const QRect target(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2,
                       side, side);
    painter->drawPixmap(target, drawn);
}

QPixmap TintedIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    return scaledPixmap(size, mode, state, 1.0);
}

QPixmap TintedIconEngine::scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State, qreal scale)
{
    return Icons::pixmap(m_symbol, qMin(size.width(), size.height()), colorFor(mode), scale);
}

QSize TintedIconEngine::actualSize(const QSize &size, QIcon::Mode, QIcon::State)
{
    const int side = qMin(size.width(), size.height());
    return {side, side};
}

QIconEngine *TintedIconEngine::clone() const
{
    return new TintedIconEngine(m_symbol, m_tint);
}

QString TintedIconEngine::key() const
{
    return QStringLiteral("TintedIconEngine");
}

QString TintedIconEngine::iconName()
{
    return m_symbol;
}

bool TintedIconEngine::isNull()
{
    return !Icons::hasSymbol(m_symbol);
}
