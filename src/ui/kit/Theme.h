#pragma once

#include <QColor>

class QPalette;

// The three brand colours (sRGB, opaque) and the palette-derived shades the kit draws
// with. GUI thread; the brand colours are built once on first use.
namespace Theme {
// Healthy or running things: the process count, the all-clear card, a running dot.
[[nodiscard]] const QColor &nodeGreen();
// Held ports and suspicious processes.
[[nodiscard]] const QColor &warning();
// The destructive free-port and cancel buttons.
[[nodiscard]] const QColor &danger();

// True when the palette's window is darker than its text.
[[nodiscard]] bool isDark(const QPalette &palette);
// A hairline between areas (dividers, card borders), readable on light and dark windows.
[[nodiscard]] QColor separator(const QPalette &palette);
// The faint track behind proportion bars.
[[nodiscard]] QColor quaternaryFill(const QPalette &palette);
// The sidebar column's background: a shade off the window colour.
[[nodiscard]] QColor sidebarBackground(const QPalette &palette);
} // namespace Theme
