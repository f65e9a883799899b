#pragma once

#include "ui/kit/Tint.h"

#include <QIcon>
#include <QPixmap>
#include <QStringList>

// The one table from the symbol names the screens use ("powerplug.fill", "bolt", ...) to
// the SVG icons shipped in the application's resources, so every icon shows on a bare
// session with no icon theme. Icons are single-colour and drawn in a tint. GUI thread.
namespace Icons {
// Every symbol name the table knows, in a fixed order.
[[nodiscard]] const QStringList &symbolNames();
[[nodiscard]] bool hasSymbol(const QString &symbol);
// An icon drawn in tint at any size; a text-style tint follows the palette, and the
// disabled and selected modes take the palette's disabled and highlighted-text colours.
// A null icon for a name the table does not know.
[[nodiscard]] QIcon icon(const QString &symbol, const Tint &tint = Tint::Style::primary);
// The desktop theme's icon for symbol by its freedesktop name ("process-stop", "user-trash",
// ...), or icon(symbol, tint) when the theme has none or no name fits the symbol. For the
// icons of actions, which follow the desktop's look rather than the application's colours.
[[nodiscard]] QIcon themed(const QString &symbol, const Tint &tint = Tint::Style::primary);
// The freedesktop icon name of symbol; empty when none fits.
[[nodiscard]] QString themeName(const QString &symbol);
// The icon as a square pixmap of size logical pixels at device pixel ratio dpr.
[[nodiscard]] QPixmap pixmap(const QString &symbol, int size, const QColor &color, qreal dpr = 1.0);
} // namespace Icons
