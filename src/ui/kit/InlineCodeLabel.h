#pragma once

#include "ui/kit/KitLabel.h"

// A wrapping paragraph whose parts between backticks are set as inline code: a fixed-width
// font on a faint rounded-off tint, never broken across lines. The backticks themselves are
// not shown. Everything else is plain text (no markup is read from it). GUI thread.
class InlineCodeLabel : public KitLabel
{
    Q_OBJECT

public:
    explicit InlineCodeLabel(const QString &source = {}, TextStyle style = TextStyle::body, QWidget *parent = nullptr);

    // The text with its backticks, as given.
    [[nodiscard]] QString source() const { return m_source; }

    // The rich text shown for source: HTML-escaped, code spans in the fixed font on
    // codeBackground. An unpaired backtick stays as it is.
    [[nodiscard]] static QString toHtml(const QString &source, const QColor &codeBackground);

protected:
    bool event(QEvent *event) override;

private:
    void render();

    QString m_source;
};
