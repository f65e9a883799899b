#pragma once

#include <QStringView>

// The order the tables sort text in: by Unicode code point, case-sensitive, not by
// locale rules. Pure; any thread.
namespace TextOrder {

// <0, 0 or >0 as a sorts before, with or after b.
[[nodiscard]] int compareCodePoints(QStringView a, QStringView b);

} // namespace TextOrder
