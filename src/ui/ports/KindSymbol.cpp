#include "ui/ports/KindSymbol.h"

QString kindSymbol(NodeProcess::Kind kind)
{
    using Kind = NodeProcess::Kind;
    switch (kind) {
    case Kind::next:
        return QStringLiteral("n.square");
    case Kind::nest:
        return QStringLiteral("bird");
    case Kind::vite:
        return QStringLiteral("bolt");
    case Kind::react:
        return QStringLiteral("atom");
    case Kind::nodemon:
        return QStringLiteral("arrow.triangle.2.circlepath");
    case Kind::packageManager:
        return QStringLiteral("shippingbox");
    case Kind::node:
        return QStringLiteral("hexagon");
    }
    return QStringLiteral("hexagon");
}
