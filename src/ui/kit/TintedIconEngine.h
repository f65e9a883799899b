#pragma once

#include "ui/kit/Tint.h"

#include <QIconEngine>

// Draws one single-colour SVG in a tint, resolving the tint from the application palette
// when it paints, so icons follow a change between light and dark palettes.
class TintedIconEngine : public QIconEngine
{
public:
    TintedIconEngine(const QString &symbol, const Tint &tint);

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    [[nodiscard]] QIconEngine *clone() const override;
    [[nodiscard]] QString key() const override;
    [[nodiscard]] QString iconName() override;
    [[nodiscard]] bool isNull() override;

private:
    [[nodiscard]] QColor colorFor(QIcon::Mode mode) const;

    QString m_symbol;
    Tint m_tint;
};
