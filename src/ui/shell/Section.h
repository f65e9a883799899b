#pragma once

#include <QList>
#include <QString>

// The window's three screens, in the sidebar's order. RootView::Section names it; it
// lives apart so that the sidebar can list the screens without the root view.
enum class Section { ports, disk, breakdown };

namespace Sections {

// The title of a section ("Ports", "Disk cleanup", "Breakdown").
[[nodiscard]] QString rawValue(Section section);
[[nodiscard]] QString symbol(Section section);
[[nodiscard]] const QList<Section> &all();

} // namespace Sections
