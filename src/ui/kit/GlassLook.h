#pragma once

#include <QColor>

#include <optional>

class QAbstractButton;
class QPainter;
class QPalette;
class QRectF;

// The two looks of the kit's surfaces and buttons. The glass look needs a compositor
// effect that Linux desktops do not offer, so the earlier-systems look (a translucent
// material surface, bordered and bordered-prominent buttons) is what Linux draws.
enum class KitLook { glass, material };

namespace GlassLook {
// The one place the choice is made; asked each time something is drawn.
[[nodiscard]] KitLook current();

// A translucent rounded background under content, as every card and the port lookup
// field have it.
void paintSurface(QPainter &painter, const QRectF &rect, qreal cornerRadius, const QPalette &palette);
} // namespace GlassLook

// The secondary button treatment: a bordered button. Works on QPushButton and QToolButton;
// the look is owned by the button and goes with it. labelTint colours the label and icon,
// as a destructive button has them.
void glassButton(QAbstractButton *button, std::optional<QColor> labelTint = std::nullopt);
// The primary treatment: a button filled with tint, or with the palette's accent
// (highlight) colour when no tint is given. Calling it again changes the tint.
void glassProminentButton(QAbstractButton *button, std::optional<QColor> tint = std::nullopt);
