#pragma once

#include <QFont>

#include <optional>

// The text styles of the application in one place, each a size relative to the
// application font (the desktop's general font unless one was chosen), so the user's font
// settings carry through; the small styles stop at the desktop's smallest readable size
// where its platform theme names one. GUI thread.
enum class TextStyle { caption2, caption, callout, body, headline, title3, title2, title };

namespace Typography {
// The font of a style at a weight; headline is semibold unless another weight is asked for.
[[nodiscard]] QFont font(TextStyle style, std::optional<QFont::Weight> weight = std::nullopt);
// A font like font whose ten digits all have the same advance, so numbers that change in
// place do not jitter: font itself when its digits are already tabular (most UI fonts),
// else a sans-serif with tabular digits, else the system's fixed-width font.
[[nodiscard]] QFont monospacedDigits(const QFont &font);
// True when the ten digits of font have one advance.
[[nodiscard]] bool hasTabularDigits(const QFont &font);
// font(style, weight), through monospacedDigits when digits is true, kept until the
// application font changes: finding tabular digits is too slow for every cell painted.
[[nodiscard]] const QFont &cellFont(TextStyle style, QFont::Weight weight = QFont::Normal, bool digits = false);
} // namespace Typography
