#pragma once

#include <QColor>

#include <optional>

class QAbstractButton;
class QPainter;
class QPalette;
class QRectF;
class QScrollArea;
class QWidget;

// The look of the kit's surfaces and buttons. A glass look would need a compositor effect
// that Linux desktops do not offer, so the earlier-systems look (a translucent material
// surface, bordered and bordered-prominent buttons) is the one drawn.
namespace GlassLook {
// A translucent rounded background under content, as every card and the port lookup
// field have it.
void paintSurface(QPainter &painter, const QRectF &rect, qreal cornerRadius, const QPalette &palette);
// Makes area scroll content up and down, with no frame, the window showing through both:
// the cards on it bring their own surfaces.
void scrollOver(QScrollArea *area, QWidget *content);
} // namespace GlassLook

// The secondary button treatment: a bordered button. Works on QPushButton and QToolButton;
// the look is owned by the button and goes with it. labelTint colours the label and icon,
// as a destructive button has them.
void glassButton(QAbstractButton *button, std::optional<QColor> labelTint = std::nullopt);
// The primary treatment: a button filled with tint, or with the palette's accent
// (highlight) colour when no tint is given. Calling it again changes the tint.
void glassProminentButton(QAbstractButton *button, std::optional<QColor> tint = std::nullopt);
