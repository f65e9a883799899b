#pragma once

#include "ui/kit/Tint.h"
#include "ui/kit/Typography.h"

#include <QLabel>

#include <optional>

// A label in one of the kit's text styles, weights and tints. It follows changes of the
// application font and palette by itself, and can draw its one line elided so long
// paths and commands shrink with the window instead of widening it.
class KitLabel : public QLabel
{
    Q_OBJECT

public:
    explicit KitLabel(const QString &text = {}, TextStyle style = TextStyle::body, QWidget *parent = nullptr);
    // A screen's title, at its top: title 2 in semibold, inset from the top and the sides.
    [[nodiscard]] static KitLabel *screenTitle(const QString &text);

    void setTextStyle(TextStyle style, std::optional<QFont::Weight> weight = std::nullopt);
    void setTint(const Tint &tint);
    [[nodiscard]] const Tint &tint() const { return m_tint; }
    // Digits of one width, for numbers that change in place.
    void setMonospacedDigits(bool on);
    // Scales the style's size, for the rare text larger than every style (1 by default).
    void setSizeFactor(qreal factor);
    // Qt::ElideNone (the default) lays the text out as QLabel does.
    void setElideMode(Qt::TextElideMode mode);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    [[nodiscard]] bool drawsElided() const;
    void applyFont();
    void applyTint();

    TextStyle m_style;
    std::optional<QFont::Weight> m_weight;
    Tint m_tint;
    bool m_monospacedDigits = false;
    qreal m_sizeFactor = 1.0;
    Qt::TextElideMode m_elideMode = Qt::ElideNone;
};
