#include "ui/kit/InlineCodeLabel.h"

#include "ui/kit/Theme.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>

InlineCodeLabel::InlineCodeLabel(const QString &source, TextStyle style, QWidget *parent)
    : KitLabel({}, style, parent)
    , m_source(source)
{
    setTextFormat(Qt::RichText);
    setWordWrap(true);
    setTextInteractionFlags(Qt::NoTextInteraction);
    render();
}

QString InlineCodeLabel::toHtml(const QString &source, const QColor &codeBackground)
{
    const QString family = QFontDatabase::systemFont(QFontDatabase::FixedFont).family().toHtmlEscaped();
    const QString background = QStringLiteral("rgba(%1,%2,%3,%4)")
                                   .arg(codeBackground.red())
                                   .arg(codeBackground.green())
                                   .arg(codeBackground.blue())
                                   .arg(codeBackground.alphaF(), 0, 'f', 3);
    QString html;
    qsizetype from = 0;
    while (from < source.size()) {
        const qsizetype open = source.indexOf(QLatin1Char('`'), from);
        const qsizetype close = open < 0 ? -1 : source.indexOf(QLatin1Char('`'), open + 1);
        if (close < 0) {
            html += source.mid(from).toHtmlEscaped();
            break;
        }
        html += source.mid(from, open - from).toHtmlEscaped();
        // Non-breaking spaces keep a command on one line, and pad it inside its tint.
        QString code = source.mid(open + 1, close - open - 1).toHtmlEscaped();
        code.replace(QLatin1Char(' '), QStringLiteral("&nbsp;"));
        html += QStringLiteral("<span style=\"font-family:'%1'; background-color:%2;\">&nbsp;%3&nbsp;</span>")
                    .arg(family, background, code);
        from = close + 1;
    }
    return html;
}

bool InlineCodeLabel::event(QEvent *event)
{
    const bool handled = KitLabel::event(event);
    if (event->type() == QEvent::ApplicationPaletteChange || event->type() == QEvent::ApplicationFontChange)
        render();
    return handled;
}

void InlineCodeLabel::render()
{
    setText(toHtml(m_source, Theme::quaternaryFill(QApplication::palette(this))));
}
