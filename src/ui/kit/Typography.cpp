#include "ui/kit/Typography.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>

namespace Typography {

static qreal scale(TextStyle style)
{
    // The ratios of the familiar desktop type ramp (body 13, callout 12, caption 10,
    // title 3 15, title 2 17, title 22), lifted at the small end: captions at 10/13 of a
    // typical 9 to 10 point Linux UI font would drop below what hints cleanly.
    switch (style) {
    case TextStyle::caption2:
        return 0.82;
    case TextStyle::caption:
        return 0.88;
    case TextStyle::callout:
        return 0.94;
    case TextStyle::body:
    case TextStyle::headline:
        return 1.0;
    case TextStyle::title3:
        return 1.18;
    case TextStyle::title2:
        return 1.36;
    case TextStyle::title:
        return 1.7;
    }
    return 1.0;
}

// The desktop's smallest readable size in points, or nothing when its platform theme names
// none: QFontDatabase then answers with its default font, no smaller than the general one.
static std::optional<qreal> smallestReadablePoints()
{
    const qreal smallest = QFontDatabase::systemFont(QFontDatabase::SmallestReadableFont).pointSizeF();
    const qreal general = QFontDatabase::systemFont(QFontDatabase::GeneralFont).pointSizeF();
    if (smallest <= 0 || general <= 0 || smallest >= general)
        return std::nullopt;
    return smallest;
}

QFont font(TextStyle style, std::optional<QFont::Weight> weight)
{
    // The application font is the desktop's general font unless the user or the
    // application chose another, and the styles follow either.
    QFont font = QApplication::font();
    const qreal factor = scale(style);
    if (font.pointSizeF() > 0) {
        qreal points = font.pointSizeF() * factor;
        // Small styles stop at what the desktop still calls readable, never above body.
        if (const std::optional<qreal> smallest = smallestReadablePoints(); smallest && factor < 1.0)
            points = qMax(points, qMin(*smallest, font.pointSizeF()));
        font.setPointSizeF(points);
    } else if (font.pixelSize() > 0)
        font.setPixelSize(qMax(1, qRound(font.pixelSize() * factor)));
    if (weight)
        font.setWeight(*weight);
    else if (style == TextStyle::headline)
        font.setWeight(QFont::DemiBold);
    return font;
}

bool hasTabularDigits(const QFont &font)
{
    const QFontMetricsF metrics(font);
    const qreal zero = metrics.horizontalAdvance(QLatin1Char('0'));
    for (char digit = '1'; digit <= '9'; ++digit) {
        if (!qFuzzyCompare(metrics.horizontalAdvance(QLatin1Char(digit)), zero))
            return false;
    }
    return true;
}

QFont monospacedDigits(const QFont &font)
{
    if (hasTabularDigits(font))
        return font;
    // Qt 6.4 cannot switch on the tnum feature, so fall back to a family whose digits are
    // tabular by design. DejaVu Sans ships with the application's packages.
    for (const QString &family :
         {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans"), QStringLiteral("Liberation Sans")}) {
        if (!QFontDatabase::hasFamily(family))
            continue;
        QFont candidate = font;
        candidate.setFamilies({family});
        if (hasTabularDigits(candidate))
            return candidate;
    }
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (font.pointSizeF() > 0)
        fixed.setPointSizeF(font.pointSizeF());
    else
        fixed.setPixelSize(font.pixelSize());
    fixed.setWeight(font.weight());
    fixed.setItalic(font.italic());
    return fixed;
}

const QFont &cellFont(TextStyle style, QFont::Weight weight, bool digits)
{
    static QFont application;
    static QHash<int, QFont> fonts;
    if (const QFont now = QApplication::font(); now != application) {
        application = now;
        fonts.clear();
    }
    const int key = (int(style) << 16) | (int(weight) << 1) | int(digits);
    auto found = fonts.find(key);
    if (found == fonts.end())
        found = fonts.insert(key, digits ? monospacedDigits(font(style, weight)) : font(style, weight));
    return *found;
}

} // namespace Typography
