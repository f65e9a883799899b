#pragma once

#include "ui/kit/Tint.h"
#include "ui/kit/Typography.h"

#include <QLabel>

// One symbol from the icon table drawn in a tint at the size of a text style, the way a
// symbol sits in a line of text. Follows application font and palette changes. GUI thread.
class SymbolLabel : public QLabel
{
    Q_OBJECT

public:
    SymbolLabel(const QString &symbol, const Tint &tint, TextStyle style = TextStyle::body, QWidget *parent = nullptr);

    [[nodiscard]] QString symbol() const { return m_symbol; }
    void setSymbol(const QString &symbol);
    [[nodiscard]] const Tint &tint() const { return m_tint; }
    void setTint(const Tint &tint);
    void setTextStyle(TextStyle style);
    // The side of the drawn symbol in logical pixels.
    [[nodiscard]] int symbolSize() const;

    // The side of a symbol set in style: a little over the style's ascent, as symbol fonts
    // size their glyphs beside text.
    [[nodiscard]] static int sizeFor(TextStyle style);

protected:
    bool event(QEvent *event) override;

private:
    void redraw();

    QString m_symbol;
    Tint m_tint;
    TextStyle m_style;
};
