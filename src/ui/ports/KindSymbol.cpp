#include "ui/ports/KindSymbol.h"

#include <array>

QString kindSymbol(NodeProcess::Kind kind)
{
    // In the order of NodeProcess::Kind.
    static constexpr std::array<QStringView, 7> s_symbols{
        u"n.square", u"bird", u"bolt", u"atom", u"arrow.triangle.2.circlepath", u"shippingbox", u"hexagon"};
    static_assert(s_symbols.size() == std::size_t(NodeProcess::Kind::node) + 1);
    return s_symbols[std::size_t(kind)].toString();
}
