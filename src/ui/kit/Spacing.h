#pragma once

#include <QMargins>

class QHBoxLayout;
class QVBoxLayout;
class QWidget;

// The kit's spacing steps, derived from the style's layout metrics: its spacing between
// controls (6 in Fusion and Breeze) for the gaps, its margin inside a container (9) for the
// insets. A roomier style, and the font DPI the style scales its metrics by, carry through
// every screen. The comments give each step in Fusion at 96 DPI. GUI thread.
enum class Space {
    hairline, // 2: around a field that lies on a surface
    tight,    // 3: between a line of text and the line under it
    related,  // 6: between an icon and its text, between controls that belong together
    standard, // 8: between the controls of a row
    group,    // 10: between cards in a list, tiles in a bar, a heading and its section
    inset,    // 12: inside a tile or a bar, around a screen's title, beside a large symbol
    section,  // 16: around a screen's sections, inside a card of lines
    card,     // 18: inside a card with a headline
    page,     // 24: around a message that fills a screen
};

namespace Spacing {
// The step in logical pixels for widget's style (the application's when none is given).
[[nodiscard]] int of(Space space, const QWidget *widget = nullptr);
// The step on all four edges.
[[nodiscard]] QMargins margins(Space space, const QWidget *widget = nullptr);
// owner's children side by side, spacing apart, padded horizontal and vertical.
QHBoxLayout *row(QWidget *owner, Space spacing, Space horizontal, Space vertical);
// owner's children one under another, spacing apart, with no padding.
QVBoxLayout *stack(QWidget *owner, Space spacing);
} // namespace Spacing
